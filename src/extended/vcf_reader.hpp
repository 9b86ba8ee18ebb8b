#pragma once

#include <string>

#include "extended/extended_data.hpp"
#include "extended/read_options.hpp"

namespace zeltric::extended {

// Reads a VCF 4.x file (plain or bgzipped) or a BCF file through htslib,
// one record at a time. Individuals are the header's sample columns, looked
// up in the population map (required: refused without one, with a message
// saying how to give it). Each record is a locus named by its ID (or
// CHROM:POS when the ID is "."), its alleles REF then ALT in order. A record
// without GT has every genotype missing. Raises base::FatalError naming file
// and record for a malformed record and for a haploid or polyploid call.
ExtendedData ReadVariants(const std::string& path, const ReadOptions& options, ReadNotes& notes);

}  // namespace zeltric::extended
