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

// A line of the share file (the permutation test's): a global Fst as 10:5,
// then the share of every axis 1..p whose observed share exceeds 0.001, as
// 10:5. `shares` holds p values (0-based axes).
std::string ExtendedShareLine(const ExtendedResult& observed, double globalFst, const std::vector<double>& shares);

// How many axis P-values the test section lists, by the exact analysis's
// rule: axes 1 and 2 of the A tested ones always, axis k + 1 after axis k >= 2
// while P(k) <= 0.3 or P(k + 1) <= 0.05. axisPValues[k - 1] is axis k's.
std::size_t ExtendedReportedPValueAxes(const std::vector<double>& axisPValues);

// The section the test appends to the results file, in the exact analysis's
// layout: the randomisations, each sample's individuals (every one takes
// part in the arrangements), the global Fst's P-value and those of the axes.
std::string ExtendedTestSectionText(const ExtendedData& data, int randomisations, double fstPValue,
                                    const std::vector<double>& axisPValues);

}  // namespace zeltric::extended
