#include "figure/figure_file.hpp"

#include <stdexcept>

#include "base/fatal_error.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"

namespace zeltric::figure {

std::optional<FigureFormat> figureFormat(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
    std::string extension = path.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (extension == ".svg") return FigureFormat::Svg;
    if (extension == ".pdf") return FigureFormat::Pdf;
    if (extension == ".png") return FigureFormat::Png;
    return std::nullopt;
}

void writeFigureFile(const std::string& path, const std::string& svg, int pngWidth, const FigureRenderer& render) {
    const auto fail = [&](const std::string& reason) {
        throw base::FatalError(base::figureFailureMessage(path, reason));
    };
    const auto format = figureFormat(path);
    if (!format) fail(base::figureExtensionReason());
    if (*format == FigureFormat::Svg) {
        base::replaceFileAtomically(path, svg);
        return;
    }
    if (!render) fail(base::figureNeedsQtBuildMessage());
    std::string bytes;
    try {
        bytes = render(svg, *format, pngWidth);
    } catch (const std::exception& e) {
        fail(e.what());
    }
    base::replaceFileAtomically(path, bytes);
}

}  // namespace zeltric::figure
