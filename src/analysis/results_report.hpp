#pragma once

#include <string>

#include "analysis/pca_result.hpp"
#include "data/dataset.hpp"

namespace zeltric::analysis {

// Text builders for the four report files. Each returns the exact bytes to
// append to its file, every line ending CR LF; the run driver writes them.
// Figures go through base::realField / base::integerField. Axes 1..p-1 are
// reported (p = dimension); an axis is shown in the value lines when its
// observedAxisShare exceeds 0.001.

// The results file section of an observed call (26 lines): loci and
// samples, counts, heterozygosity (heterozygositySum over the typed loci; 0
// when none is typed), inertia, per-axis inertia and percentages, the
// cumulative percentage (a single-precision running sum over every axis
// 1..p-1, shown or not, written after each shown axis), the broken-stick
// count and the observed Fst figures.
std::string resultsReportSection(const data::Dataset& ds, const PcaResult& result);

// Percentage of the total inertia on axis k, as the report prints it
// (0 when the total inertia is 0).
double percentOf(const PcaResult& result, int k);
// heterozygositySum over the typed loci; 0 when none is typed.
double totalHeterozygosity(const PcaResult& result);

// One line per sample j = 1..np: its coordinates on axes 1..p-1 as 8:4.
std::string sampleCoordinateText(const data::Dataset& ds, const PcaResult& result);

// One line per retained allele i = 1..alleleColumnCount (column order of the
// analysis): its coordinates on axes 1..p-1 as 8:4.
std::string alleleCoordinateText(const PcaResult& result);

// The share line of any call: globalFst as 10:5, then, for each axis
// k = 1..p whose observed share exceeds 0.001, axisShareRatio(result, k) as
// 10:5 (0 when the call's globalFst is 0); one line with its CR LF.
std::string shareLine(const PcaResult& result);

// How many axis P-values the test section lists (the rule below).
int reportedPValueAxes(const RealVector& axisPValues, int dimension);

// The section the test appends to the results file, every line ending CR LF:
// the randomisation count, the complete genotype count of every sample, the
// overall Fst P-value as 10:5 and a line of axis P-values as 10:5. Of the
// A = dimension - 1 tested axes (dimension p of the observed analysis), 1
// and 2 are always written (A >= 2); after axis k >= 2
// axis k + 1 follows while P(k) <= 0.3 or P(k + 1) <= 0.05, compared at
// double precision with the single-precision values. A = 0 gives an empty
// line.
std::string testSectionText(const data::Dataset& ds, int randomisations, float fstPValue,
                            const RealVector& axisPValues, int dimension);

}  // namespace zeltric::analysis
