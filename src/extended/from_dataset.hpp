#pragma once

#include "data/dataset.hpp"
#include "extended/extended_data.hpp"

namespace zeltric::extended {

// The data set read from a data file, for the extended analysis: samples
// with at least one individual, in file order, named by their labels (or
// their number when unlabelled); at each locus the allele numbers that occur,
// ascending, named by their number. Code 0 is a missing genotype. Raises
// base::FatalError with the genotype message for a code that is not a valid
// genotype, as the exact analysis's counting does.
ExtendedData FromDataset(const data::Dataset& ds);

}  // namespace zeltric::extended
