#pragma once

#include <string>

#include "figure/figure_layout.hpp"

namespace zeltric::figure {

// The figure as an SVG Tiny 1.2 document (UTF-8, LF line ends), sized in
// points with a matching viewBox, every text in "DejaVu Sans". Only elements
// and attributes of the Tiny profile are used, so Qt's SVG renderer draws it
// as a browser does.
std::string writeSvg(const FigureLayout& layout, const std::string& title);

// XML text with &, <, > and " escaped.
std::string escapeXml(const std::string& text);

}  // namespace zeltric::figure
