#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/limits.hpp"

// Writing a figure file: SVG as laid out, PDF and PNG drawn from the SVG by a
// renderer that the Qt build supplies.

namespace zeltric::figure {

enum class FigureFormat { Svg, Pdf, Png };

inline constexpr int kDefaultPngWidth = base::kDefaultPngWidth;
inline constexpr int kMinPngWidth = base::kMinPngWidth;
inline constexpr int kMaxPngWidth = base::kMaxPngWidth;

// The format named by the file's extension (.svg, .pdf, .png, any case), or
// nothing for another extension or none.
std::optional<FigureFormat> figureFormat(const std::string& path);

// Turns the SVG into PDF or PNG bytes (PNG `pngWidth` pixels across); throws
// std::runtime_error with the reason when it cannot.
using FigureRenderer = std::function<std::string(const std::string& svg, FigureFormat format, int pngWidth)>;

// Writes the figure to `path` in its extension's format, atomically (a
// temporary file renamed over the target). Throws base::FatalError with a
// message naming the file: unknown extension, PDF or PNG without a renderer,
// a renderer failure or a write failure.
void writeFigureFile(const std::string& path, const std::string& svg, int pngWidth, const FigureRenderer& render);

}  // namespace zeltric::figure
