#pragma once

#include <functional>
#include <string>

#include "extended/extended_data.hpp"

namespace zeltric::extended {

// Reads a data file for the extended analysis, without the data file's
// capacity limits: the header (samples, loci, highest allele number, coding
// 1 or 2), the locus names, then genotype lines (sample number, one code per
// locus; sample 0 lines are skipped, samples in ascending order). Samples are
// named by their number; at each locus the allele numbers that occur,
// ascending. Raises base::FatalError naming file and line as the data file
// reader does, and the genotype message for a code that is not a genotype.
ExtendedData ReadDataFileUnlimited(const std::string& path, const std::function<void(const std::string&)>& notify);

}  // namespace zeltric::extended
