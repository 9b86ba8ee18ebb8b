#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "figure/geometry.hpp"
#include "figure/label_placement.hpp"

// The publication figure of two ordination axes, laid out once in points
// (1/72 inch, y down) and written as SVG by svg_writer; the Qt renderers draw
// PDF and PNG from that SVG. Unlike the plot window, whose vertical axis grows
// downwards, the figure's grows upwards, as its tick numbers say.

namespace zeltric::figure {

struct FigureSample {
    double x = 0.0;  // coordinate on the horizontal axis
    double y = 0.0;
    std::string label;      // UTF-8; runs of white space print as one space
    std::uint32_t rgb = 0;  // 0xRRGGBB
};

struct FigureAxis {
    int number = 1;
    double percentInertia = 0.0;
    double fst = 0.0;
    // The permutation test's P-value, only when a test finished, with its
    // number of randomisations R; P equal to 1/R prints as "P ≤ 1/R".
    std::optional<double> pValue;
    int randomisations = 0;
    // A per-axis interval (say, a bootstrap's) printed after the share of
    // inertia, e.g. "95 % interval 35.1–43.0"; empty prints nothing.
    std::string interval;
};

struct FigureInput {
    std::vector<FigureSample> samples;
    FigureAxis horizontal;
    FigureAxis vertical;
    // Both axes at one scale (points per unit), the frame shaped by the
    // data's ranges within the size asked: distances between samples are
    // what an ordination shows. False: each axis fills its side of the frame.
    bool oneScale = true;
};

// "Axis 1 (39.4 % of inertia, Fst 0.033, P = 0.013)".
// The Fst of the titles is the analysis's: the sample-size-weighted
// between-sample share of the pooled expected heterozygosity (Dst/Ht, of
// Nei's GST family), not Weir and Cockerham's theta; kFstNote says so
// under every figure.
inline constexpr const char* kFstNote =
    "Fst: sample-size-weighted Dst/Ht (Nei's GST family), not Weir & Cockerham's theta.";
std::string axisTitle(const FigureAxis& axis);
// "P = 0.013", or "P ≤ 0.001" where the value is 1/R.
std::string pValueText(double p, int randomisations);

struct FigureStyle {
    double width = 480.0;       // the whole figure, points
    double plotHeight = 340.0;  // the frame's height
    double labelSize = 7.5;
    double tickSize = 8.0;
    double titleSize = 9.0;
    double noteSize = 8.0;
    PlacementStyle placement;
};

struct FigureTick {
    double position = 0.0;  // x for the horizontal axis, y for the vertical
    std::string text;
};

struct FigureLabel {
    std::string text;
    Rect box;        // padded box the placement kept free
    Point baseline;  // where the text starts
    std::uint32_t rgb = 0;
    LabelPlace::Kind kind = LabelPlace::Kind::Near;
    Point leaderStart;
    Point leaderEnd;
};

struct FigureMarker {
    Point centre;
    std::uint32_t rgb = 0;
};

struct FigureLayout {
    FigureStyle style;
    double width = 0.0;
    double height = 0.0;
    Rect frame;
    std::optional<double> zeroX;  // the vertical zero line's x
    std::optional<double> zeroY;
    double tickLength = 4.0;
    std::vector<FigureTick> xTicks;
    std::vector<FigureTick> yTicks;
    std::string xTitle;
    std::string yTitle;
    double xTitleSize = 0.0;  // shrunk when a long title would not fit
    double yTitleSize = 0.0;
    Point xTitleCentre;  // the baseline's middle
    Point yTitleCentre;  // the (rotated) baseline's middle
    double xTickBaseline = 0.0;
    double yTickRight = 0.0;  // right end of the vertical axis' numbers
    std::vector<FigureMarker> markers;
    std::vector<FigureLabel> labels;  // the placed ones, in sample order
    int omitted = 0;
    std::string note;  // under the figure: which Fst, and labels left out
    Point noteStart;
    std::string secondNote;  // the labels left out, when there is a note before
    Point secondNoteStart;
};

FigureLayout layoutFigure(const FigureInput& input, const FigureStyle& style = {});

// Nice tick values (steps of 1, 2 or 5 times a power of ten) within lo..hi,
// with their texts (a true minus sign, the step's decimals).
std::vector<std::pair<double, std::string>> niceTicks(double lo, double hi);

}  // namespace zeltric::figure
