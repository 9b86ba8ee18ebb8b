#pragma once

#include <optional>
#include <string>

#include "figure/figure_layout.hpp"
#include "run/session.hpp"

// The figure of the session's last analysis: what the plot window would show
// for axes x and y (labels or numbers as the label check mark says, the
// colours from the colour dialog), with P-values only after a finished test.

namespace zeltric::figure {

// Why there is no figure of axes x and y, or nothing when there is one.
std::optional<std::string> figureUnavailable(const run::Session& session, int x, int y);

// What the user asks of a figure beyond its axes.
struct FigureOptions {
    // After a bootstrap over loci, each axis title gives the 95 % interval of
    // its share of inertia (where one is given); otherwise the figure holds
    // no interval text at all.
    bool intervals = false;
    // Each axis filling its side of the frame instead of one scale.
    bool freeAspect = false;
};

// Needs a pair of axes (figureUnavailable gives nothing).
FigureInput figureInput(const run::Session& session, int x, int y, const FigureOptions& options = {});

// figureInput + layoutFigure + writeSvg.
std::string figureSvg(const run::Session& session, int x, int y, const FigureOptions& options = {});

}  // namespace zeltric::figure
