#pragma once

#include <optional>
#include <string>
#include <vector>

#include "statistics/observed_statistics.hpp"

namespace zeltric::figure {

// What the heat map of pairwise theta shows: the samples' names and their
// coordinates on the first axis (the order of rows and columns, ascending,
// ties in data order), and per pair (statistics::samplePairs' order) its
// theta and, after a test, Holm's adjusted P (empty without a test).
struct PairwiseMap {
    std::vector<std::string> names;
    std::vector<double> firstAxis;
    std::vector<std::optional<double>> theta;
    std::vector<std::optional<double>> holm;
};

// The row and column order: sample indices sorted by their first-axis
// coordinate.
std::vector<std::size_t> heatMapOrder(const std::vector<double>& firstAxis);

// The heat map as an SVG Tiny 1.2 document in the figures' style: a full
// symmetric matrix of cells shaded from white (theta at or below 0) to dark
// red (the largest theta), grey where theta is undefined, a black dot on
// each pair whose Holm-adjusted P is below 0.05, names along the left and
// top, and a scale beneath.
std::string pairwiseHeatMapSvg(const PairwiseMap& map, const std::string& title);

}  // namespace zeltric::figure
