#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "figure/figure_layout.hpp"
#include "run/session.hpp"

// The figure of the last go step's analysis: what the plot window would show
// for axes x and y (labels or numbers as the run's settings ask), with
// P-values only after a finished test. The figure reads the run's settings
// and results; what the windows alone know (the colours chosen in the colour
// dialog) comes as an explicit option.

namespace zeltric::figure {

// What the figure shows beside the run.
struct FigureOptions {
    // The text colour of sample s at index s - 1, as 0xRRGGBB; samples
    // beyond the list are black.
    std::vector<std::uint32_t> sampleRgb;
    // After a bootstrap over loci, each axis title gives the 95 % interval of
    // its share of inertia (where one is given); otherwise the figure holds
    // no interval text at all.
    bool intervals = false;
    // Each axis filling its side of the frame instead of one scale.
    bool freeAspect = false;
};

// The number of ordination axes a figure can show (0 before an analysis).
int figureAxisCount(const run::RunResults& results);

// The figure's title for axes x and y, as the SVG states it.
std::string figureTitle(int x, int y);

// Why there is no figure of axes x and y, or nothing when there is one.
std::optional<std::string> figureUnavailable(const run::RunResults& results, int x, int y);

// Needs a pair of axes (figureUnavailable gives nothing).
FigureInput figureInput(const run::RunSettings& settings, const run::RunResults& results, int x, int y,
                        const FigureOptions& options = {});

// figureInput + layoutFigure + writeSvg.
std::string figureSvg(const run::RunSettings& settings, const run::RunResults& results, int x, int y,
                      const FigureOptions& options = {});

}  // namespace zeltric::figure
