#pragma once

#include <string>

#include "data/dataset.hpp"

namespace zeltric::data {

// The allele frequency file's text: one line per sample; per locus, per
// allele present in the data set, a 7-character field (frequency 6:3 and a
// blank, or " 0.000 " where the sample has no typed individual).
std::string frequencyFileText(const Dataset& ds, const CountTables& counts);

}  // namespace zeltric::data
