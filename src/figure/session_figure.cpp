#include "figure/session_figure.hpp"

#include <algorithm>
#include <cstdio>

#include "base/messages_run.hpp"
#include "figure/svg_writer.hpp"
#include "run/shown_results.hpp"

namespace zeltric::figure {

namespace {

FigureAxis axisOf(const run::RunResults& results, int k, bool intervals) {
    const auto ks = static_cast<std::size_t>(k);
    FigureAxis axis;
    axis.number = k;
    axis.percentInertia = run::shownPercent(results, k);
    axis.fst = run::shownAxisFst(results, k);
    if (results.testedRandomisations > 0 && !results.extended) {
        axis.pValue = static_cast<double>(results.axisPValues[ks]);
        axis.randomisations = results.testedRandomisations;
    }
    // The bootstrap's interval of the axis's share of inertia, in percent.
    if (!intervals) return axis;
    for (const randomisation::BootstrapAxis& b : results.bootstrap.axes) {
        if (b.axis != k || results.bootstrap.replicates == 0 || !b.share.hasInterval) continue;
        char text[64];
        std::snprintf(text, sizeof text, "95 %% interval %.1f\u2013%.1f", b.share.lower * 100.0,
                      b.share.upper * 100.0);
        axis.interval = text;
    }
    return axis;
}

}  // namespace

int figureAxisCount(const run::RunResults& results) { return run::shownAxes(results); }

std::string figureTitle(int x, int y) {
    return "Ordination of samples, axes " + std::to_string(x) + " and " + std::to_string(y);
}

std::optional<std::string> figureUnavailable(const run::RunResults& results, int x, int y) {
    const int axes = figureAxisCount(results);
    if (axes < 2) return base::noFigureAxesMessage();
    if (x < 1 || x > axes || y < 1 || y > axes) return base::figureAxesUnavailableMessage(x, y, axes);
    return std::nullopt;
}

FigureInput figureInput(const run::RunSettings& settings, const run::RunResults& results, int x, int y,
                        const FigureOptions& options) {
    FigureInput input;
    input.horizontal = axisOf(results, x, options.intervals);
    input.vertical = axisOf(results, y, options.intervals);
    input.oneScale = !options.freeAspect;
    const int np = run::shownSamples(results);
    input.samples.reserve(static_cast<std::size_t>(np));
    for (int s = 1; s <= np; ++s) {
        const auto ss = static_cast<std::size_t>(s);
        FigureSample sample;
        sample.x = run::shownCoordinate(results, s, x);
        sample.y = run::shownCoordinate(results, s, y);
        sample.label = run::shownSampleName(settings, results, s);
        if (ss <= options.sampleRgb.size()) sample.rgb = options.sampleRgb[ss - 1] & 0xFFFFFFu;
        input.samples.push_back(std::move(sample));
    }
    return input;
}

std::string figureSvg(const run::RunSettings& settings, const run::RunResults& results, int x, int y,
                      const FigureOptions& options) {
    const FigureLayout layout = layoutFigure(figureInput(settings, results, x, y, options));
    return writeSvg(layout, figureTitle(x, y));
}

}  // namespace zeltric::figure
