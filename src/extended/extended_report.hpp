#pragma once

#include <string>
#include <vector>

#include "extended/extended_analysis.hpp"
#include "extended/extended_data.hpp"

namespace zeltric::extended {

// The output texts of the extended analysis in the exact analysis's layout
// (every line ending CR LF, numbers through base::realField, which widens a
// field when a number needs it). Axes 1..p-1 are reported; an axis is shown
// in the value lines when its share exceeds 0.001.

// The results file: loci and samples, counts, heterozygosity (H over the
// typed loci), inertia, per-axis inertia and percentages, cumulative
// percentages, the broken-stick count, global and per-axis Fst.
std::string ExtendedResultsText(const ExtendedData& data, const ExtendedResult& result);

// One line per sample: its coordinates on axes 1..p-1 as 8:4.
std::string ExtendedSampleCoordinateText(const ExtendedResult& result);

// The percentage of the total inertia on axis k (0-based), 0 when T = 0.
double ExtendedPercent(const ExtendedResult& result, std::size_t k);

}  // namespace zeltric::extended
