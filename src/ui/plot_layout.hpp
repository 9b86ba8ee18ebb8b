#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run/session.hpp"

// The ordination plot as plain numbers: the two-line axis description and
// every pixel position of the picture. No drawing happens here, so the whole
// geometry is testable without a display; ui/plot_painter draws it.

namespace zeltric::ui {

// Window geometry that fixes the size of a new plot window's picture.
inline constexpr int kPlotPanel1Height = 41;     // the axis choosers' panel
inline constexpr int kPlotResizeAllowance = 60;  // outer height - Panel1 - this = Panel2
inline constexpr int kPlotWindowWidth = 692;     // client width: the image is 690 wide
inline constexpr int kPlotWindowHeight = 502;
inline constexpr int kPlotImageBorder = 1;  // Panel2's border around the image
// Margin around the samples: the farthest sample lands 25 pixels inside the
// bitmap's edge; the frame stands 10 pixels inside it.
inline constexpr int kPlotMargin = 50;
inline constexpr int kPlotFrameInset = 10;

// Height of Panel2 for a window whose outer height is `outerHeight`.
inline int plotPanel2Height(int outerHeight) { return outerHeight - kPlotPanel1Height - kPlotResizeAllowance; }

// Nearest integer, ties to the even one (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Values beyond the pixel range are clamped so that a pathological scale can
// never overflow an int.
int roundHalfEven(double value);

// The description of axes x and y, exactly as the window shows it: two lines
// separated by LF CR, with P-values when `withPValues` (the Testing check
// mark). Numbers use the w:d fields of the output files.
std::string describeAxes(const run::Session& session, int x, int y, bool withPValues);
// Same, with the form chosen by the session's Testing check mark; never with
// P-values after a run whose test was cancelled.
std::string describeAxes(const run::Session& session, int x, int y);
// The last go step ran a permutation test that was cancelled.
bool testWasCancelled(const run::Session& session);

// Whether the analysis has a pair of axes to plot: the smaller of np and the
// allele column count must be at least 3.
int plotAxisCount(const run::Session& session);  // m - 1: axes 1..m-1 exist
bool hasAxisPair(const run::Session& session);

struct PlotText {
    int left = 0;  // top-left corner of the text cell
    int top = 0;
    std::string text;
    std::uint32_t color = 0;  // 0x00BBGGRR, 0 is black
    int sample = 0;           // 1..np; 0 for the origin's "0"
};

struct PlotLayout {
    enum class Kind {
        Plot,        // frame, axes, "0" and samples
        TooSmall,    // a dimension of 50 pixels or less: a white bitmap only
        NoAxisPair,  // fewer than three samples or allele columns: the note only
    };
    Kind kind = Kind::Plot;
    int width = 0;
    int height = 0;

    // Kind::Plot. Rectangles are left, top, right, bottom with right and
    // bottom exclusive; lines include their start and exclude their end.
    int frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
    int horizontalAxisY = 0;        // from x = 0 to x = width
    int verticalAxisX = 0;          // from y = 0 to y = height
    PlotText origin;                // "0" in the bitmap's default font
    std::vector<PlotText> samples;  // in drawing order, sample 1 first
    double scaleX = 0.0;
    double scaleY = 0.0;

    // Kind::NoAxisPair.
    std::string note;
};

inline constexpr const char* kNoAxisPairNote =
    "No plot: the analysis has fewer than three samples or fewer than three "
    "alleles, so there is no pair of axes to show.";

// The picture of axes x (horizontal) and y (vertical) in a bitmap of
// width x height pixels. Samples are written as labels when the session's
// label check mark is set, otherwise as their numbers 1..np.
PlotLayout layoutPlot(const run::Session& session, int x, int y, int width, int height);

}  // namespace zeltric::ui
