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

// "Axis 1 (39.4 % of inertia, Fst 0.033, P = 0.013)". The Fst is the
// analysis's: the sample-size-weighted between-sample share of the pooled
// expected heterozygosity (Dst/Ht, of Nei's GST family), not Weir and
// Cockerham's theta; a note under every figure says so.
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
    std::string note;  // under the figure: which Fst the titles give
    Point noteStart;
    std::string secondNote;  // when labels were left out or characters replaced
    Point secondNoteStart;
};

FigureLayout layoutFigure(const FigureInput& input, const FigureStyle& style = {});

// Nice tick values (steps of 1, 2 or 5 times a power of ten) within lo..hi,
// with their texts (a true minus sign, the step's decimals).
std::vector<std::pair<double, std::string>> niceTicks(double lo, double hi);

// One axis of the figure in the data's units: the range the frame spans (the
// samples' span with zero in it, widened so markers and labels keep clear of
// the frame; -1..1 when every sample sits at zero) and its ticks within it.
// layoutFigure draws exactly these; the browser's plot draws them too.
struct AxisScale {
    double lo = 0.0;
    double hi = 0.0;
    std::vector<std::pair<double, std::string>> ticks;
};
AxisScale axisScale(const std::vector<FigureSample>& samples, bool horizontal);

// Both axes at one scale within a frame asked `width` by `height` (any unit):
// the scale that fits both spans; the side with room to spare shrinks to its
// span, but not below a third of its size asked (its span widens around the
// data instead, at the same scale). The scales' ranges and ticks change
// accordingly; returns the frame's sides.
struct FrameSides {
    double width = 0.0;
    double height = 0.0;
};
FrameSides fitOneScale(AxisScale& x, AxisScale& y, double width, double height);

}  // namespace zeltric::figure
