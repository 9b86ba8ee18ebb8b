#pragma once

#include <optional>
#include <string>

#include "figure/figure_layout.hpp"
#include "run/session.hpp"

// The figure of the session's last analysis: what the plot window would show
// for axes x and y (labels or numbers as the label check mark says, the
// colours from the colour dialog), with P-values only after a finished test.

namespace zeltric::figure {

// The number of ordination axes a figure can show (0 before an analysis).
int figureAxisCount(const run::Session& session);

// The figure's title for axes x and y, as the SVG states it.
std::string figureTitle(int x, int y);

// Why there is no figure of axes x and y, or nothing when there is one.
std::optional<std::string> figureUnavailable(const run::Session& session, int x, int y);

// Needs a pair of axes (figureUnavailable gives nothing). After a bootstrap
// over loci, each axis title gives the 95 % interval of its share of inertia.
FigureInput figureInput(const run::Session& session, int x, int y);

// figureInput + layoutFigure + writeSvg.
std::string figureSvg(const run::Session& session, int x, int y);

}  // namespace zeltric::figure
