#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "extended/extended_data.hpp"

namespace zeltric::extended {

// A population map: which sample each individual belongs to. One line per
// individual, its name and its sample, separated by blanks; `#` starts a
// comment. Raises base::FatalError naming file and line for a line of other
// than two columns and for an individual given two samples (the same pair
// twice is accepted).
struct PopulationMap {
    std::string fileName;
    std::vector<std::string> individuals;  // in map order, each once
    std::unordered_map<std::string, std::string> sampleOf;
};
PopulationMap ReadPopulationMap(const std::string& path);

// Which individuals of the data are analysed, and in which sample.
struct SampleAssignment {
    std::vector<int> sampleOf;             // per data individual: its sample 0..P-1, or -1 when left out
    std::vector<std::string> sampleNames;  // in order of their first individual in the data
    std::vector<std::string> notes;        // left-out individuals, map entries not in the data
    std::size_t kept = 0;
};

// The individuals of `dataFile` (names in data order) assigned to samples:
// by the map when one is given (`map` not null), else by `fallback` (one
// sample name per individual, e.g. the family IDs of a .fam), else refused
// with the message asking for a map. `lines` gives each individual's line in
// the data file for the refusal of a name given twice (0: no line).
// Raises base::FatalError when no individual is left.
SampleAssignment AssignSamples(const std::string& dataFile, const std::vector<std::string>& individuals,
                               const std::vector<long long>& lines, const std::vector<std::string>* fallback,
                               const PopulationMap* map);

// A data set holding the assigned individuals of `individuals` (names in data
// order) in their samples, its genotypes not yet read.
ExtendedData AssignedData(const SampleAssignment& assignment, const std::vector<std::string>& individuals);

}  // namespace zeltric::extended
