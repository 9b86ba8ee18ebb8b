#pragma once

#include <string>

#include "extended/extended_data.hpp"
#include "extended/read_options.hpp"

namespace zeltric::extended {

// Reads a PLINK 1 binary file set: `bedPath` (NAME.bed) with NAME.bim (one
// locus a line: chromosome, name, position in cM, base-pair position, allele
// 1, allele 2) and NAME.fam (one individual a line: family, individual,
// father, mother, sex, phenotype). Alleles are numbered as .bim gives them
// (allele 1 first). Without a map the family IDs are the samples; with one,
// the individual IDs are looked up in it. The .bed is read one locus at a
// time. Raises base::FatalError naming the file (and line) for a missing
// companion, a line of other than six columns, a locus with the same allele
// twice, a .bed whose magic or size is wrong.
ExtendedData ReadPlink(const std::string& bedPath, const ReadOptions& options, ReadNotes& notes);

}  // namespace zeltric::extended
