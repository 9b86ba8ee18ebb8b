#pragma once

#include <string>

#include "figure/figure_file.hpp"

// PDF and PNG figures drawn from the figure's SVG with Qt SVG; Qt Gui only,
// so the batch front end renders them without a display.

namespace zeltric::ui {

// A figure::FigureRenderer: the PDF page is the SVG's size in points; the PNG
// is `pngWidth` pixels across, white, with its resolution recorded so that
// it prints at the figure's size. Throws std::runtime_error on failure.
std::string renderFigure(const std::string& svg, figure::FigureFormat format, int pngWidth);

}  // namespace zeltric::ui
