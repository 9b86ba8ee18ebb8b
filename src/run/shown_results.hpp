#pragma once

#include <string>

#include "run/session.hpp"

// What the plot window, its colour dialog and the figure show of the last go
// step, whichever analysis ran it: the exact analysis's single-precision
// figures (read as they are, so its plot keeps its pixels) or the extended
// analysis's, for any number of samples and axes. Samples and axes are
// numbered from 1.

namespace zeltric::run {

// Samples of the last go step's analysis.
int shownSamples(const RunResults& results);
// Axes 1..shownAxes can be shown: p - 1, p the analysis's dimension
// (the smaller of the samples and the allele columns), 0 before a run.
int shownAxes(const RunResults& results);
// Sample s's coordinate on axis k.
double shownCoordinate(const RunResults& results, int sample, int axis);
// The percentage of the total inertia on axis k and its Fst.
double shownPercent(const RunResults& results, int axis);
double shownAxisFst(const RunResults& results, int axis);
// Sample s as the plot writes it: the extended analysis's sample names; the
// exact analysis's labels when "&Label file for pops" is checked, else its
// number.
std::string shownSampleName(const RunSettings& settings, const RunResults& results, int sample);
// Whether the axes' P-values of a finished permutation test can be shown
// (never after an extended analysis, which has no test yet).
bool shownPValues(const RunSettings& settings, const RunResults& results);

}  // namespace zeltric::run
