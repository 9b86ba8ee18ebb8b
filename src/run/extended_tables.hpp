#pragma once

#include <string>
#include <utility>
#include <vector>

#include "run/session.hpp"

namespace zeltric::run {

// The tables of an extended analysis (suffix, text), in the columns of
// resultTables: samples and loci numbered from 1 in file order, the allele
// number its place at its locus and original_name its name in the file (REF
// and ALT bases, a microsatellite's size); rows of NAME-frequencies.csv go
// allele by allele; no P-values or intervals (no test yet).
std::vector<std::pair<std::string, std::string>> extendedResultTables(const ExtendedOpened& opened,
                                                                      const ExtendedRun& run);

}  // namespace zeltric::run
