#pragma once

#include <functional>
#include <string>

#include "data/dataset.hpp"

namespace zeltric::data {

// Shows an information message and lets the work go on.
using Notify = std::function<void(const std::string&)>;

// Open step: header, locus names (first six characters as they stand), all
// selection flags 1, labels "1".."np". A coding other than 1 or 2 shows the
// coding message and leaves alleleDivisor as it was. A header beyond the
// capacity limits, or with a count below 1, is refused before any table is
// written.
void readHeader(Dataset& ds, const std::string& path, const Notify& notify);

// Go step: header counts again, capacity check, locus names (characters of
// code 38 or below become blanks), every genotype code into a fresh
// genotypeColumns, individualCount, sampleEnds as running totals. Refuses
// sample numbers outside 1..np or out of ascending order, more than NIMax
// genotype lines and files without genotype lines.
// Returns the SHA-256 of the bytes it read (and parsed).
std::string readGenotypes(Dataset& ds, const std::string& path, const Notify& notify);

}  // namespace zeltric::data
