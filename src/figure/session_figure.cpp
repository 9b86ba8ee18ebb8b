#include "figure/session_figure.hpp"

#include <algorithm>
#include <cstdio>

#include "figure/svg_writer.hpp"

namespace zeltric::figure {

namespace {

int axisCount(const run::Session& session) {
    const int m = std::min(static_cast<int>(session.analysed.np), static_cast<int>(session.pca.alleleColumnCount));
    return std::max(m - 1, 0);
}

FigureAxis axisOf(const run::Session& session, int k, bool intervals) {
    const auto ks = static_cast<std::size_t>(k);
    FigureAxis axis;
    axis.number = k;
    axis.percentInertia = static_cast<double>(session.pca.percentInertia[ks]);
    axis.fst = static_cast<double>(session.pca.observedAxisFst[ks]);
    if (session.testedRandomisations > 0) {
        axis.pValue = static_cast<double>(session.axisPValues[ks]);
        axis.randomisations = session.testedRandomisations;
    }
    // The bootstrap's interval of the axis's share of inertia, in percent.
    if (!intervals) return axis;
    for (const randomisation::BootstrapAxis& b : session.bootstrap.axes) {
        if (b.axis != k || session.bootstrap.replicates == 0 || !b.share.hasInterval) continue;
        char text[64];
        std::snprintf(text, sizeof text, "95 %% interval %.1f\u2013%.1f", b.share.lower * 100.0,
                      b.share.upper * 100.0);
        axis.interval = text;
    }
    return axis;
}

}  // namespace

std::optional<std::string> figureUnavailable(const run::Session& session, int x, int y) {
    const int axes = axisCount(session);
    if (axes < 2)
        return std::string(
            "No figure: the analysis has fewer than three samples or fewer than three alleles, "
            "so there is no pair of axes to show.");
    if (x < 1 || x > axes || y < 1 || y > axes)
        return "No figure of axes " + std::to_string(x) + " and " + std::to_string(y) +
               ": choose axes within 1.." + std::to_string(axes) + ".";
    return std::nullopt;
}

FigureInput figureInput(const run::Session& session, int x, int y, const FigureOptions& options) {
    FigureInput input;
    input.horizontal = axisOf(session, x, options.intervals);
    input.vertical = axisOf(session, y, options.intervals);
    input.oneScale = !options.freeAspect;
    const int np = std::min(static_cast<int>(session.analysed.np), base::NPMax);
    const auto& coordinates = session.pca.populationCoordinates;
    input.samples.reserve(static_cast<std::size_t>(np));
    for (int s = 1; s <= np; ++s) {
        const auto ss = static_cast<std::size_t>(s);
        FigureSample sample;
        sample.x = static_cast<double>(coordinates(s, x));
        sample.y = static_cast<double>(coordinates(s, y));
        sample.label = session.menu.labelChecked ? session.analysed.populationLabels[ss] : std::to_string(s);
        // The colour dialog stores 0x00BBGGRR.
        const auto bgr = static_cast<std::uint32_t>(session.popColor[ss]);
        sample.rgb = ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
        input.samples.push_back(std::move(sample));
    }
    return input;
}

std::string figureSvg(const run::Session& session, int x, int y, const FigureOptions& options) {
    const FigureLayout layout = layoutFigure(figureInput(session, x, y, options));
    return writeSvg(layout, "Ordination of samples, axes " + std::to_string(x) + " and " + std::to_string(y));
}

}  // namespace zeltric::figure
