#include "ui/plot_layout.hpp"

#include <algorithm>
#include <cmath>

#include "base/number_field.hpp"
#include "run/shown_results.hpp"

namespace zeltric::ui {

namespace {

// Far beyond any bitmap, well inside int.
constexpr double kPixelLimit = 1.0e7;

// An axis the last analysis has (the exact analysis's up to its matrix order).
bool axisInStore(const run::Session& session, int axis) {
    if (session.results.extended) return axis >= 1 && axis <= run::shownAxes(session.results);
    return axis >= 1 && axis <= analysis::kMatrixOrder;
}

// Pixels from the centre per unit of coordinate: the largest absolute
// coordinate lands `half` pixels from the centre. An axis on which every
// sample sits at 0 has no largest coordinate; its samples stay on the centre
// line instead of dividing by zero.
double axisScale(double half, double maximum, double minimum) {
    const double divisor = std::fabs(maximum) > std::fabs(minimum) ? maximum : std::fabs(minimum);
    if (divisor == 0.0) return 0.0;
    return half / divisor;
}

}  // namespace

int roundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    value = std::clamp(value, -kPixelLimit, kPixelLimit);
    // The default rounding mode is to nearest, ties to even.
    return static_cast<int>(std::nearbyint(value));
}

std::string describeAxes(const run::Session& session, int x, int y, bool withPValues) {
    using base::realField;
    if (!axisInStore(session, x) || !axisInStore(session, y)) return {};
    const auto& results = session.results;
    const auto xs = static_cast<std::size_t>(x);
    const auto ys = static_cast<std::size_t>(y);
    const std::string xText = std::to_string(x);
    const std::string yText = std::to_string(y);
    std::string text;
    text += "%Inertia . ";
    text += xText;
    text += " :";
    text += realField(run::shownPercent(results, x), 5, 2);
    if (withPValues) {
        text += "(p=";
        text += realField(session.results.axisPValues[xs], 5, 3);
        text += ") ; ";
    } else {
        text += "    ; ";
    }
    text += yText;
    text += ": ";
    text += realField(run::shownPercent(results, y), 5, 2);
    if (withPValues) {
        text += "(p=";
        text += realField(session.results.axisPValues[ys], 5, 3);
        text += ")";
    }
    text += "\n\r";
    text += "     Fst . ";
    text += xText;
    text += " :";
    text += realField(run::shownAxisFst(results, x), 5, 3);
    text += withPValues ? "          ; " : "    ; ";
    text += yText;
    text += ": ";
    text += realField(run::shownAxisFst(results, y), 5, 3);
    return text;
}

bool testWasCancelled(const run::Session& session) {
    return session.results.runDone && session.results.testCancelled;
}

std::string describeAxes(const run::Session& session, int x, int y) {
    // A cancelled test leaves P-values of zero that mean nothing; the
    // extended analysis has no test yet.
    return describeAxes(session, x, y, run::shownPValues(session.settings, session.results));
}

int plotAxisCount(const run::Session& session) { return run::shownAxes(session.results); }

bool hasAxisPair(const run::Session& session) { return plotAxisCount(session) >= 2; }

PlotLayout layoutPlot(const run::Session& session, int x, int y, int width, int height) {
    PlotLayout layout;
    layout.width = width;
    layout.height = height;
    if (!hasAxisPair(session) || !axisInStore(session, x) || !axisInStore(session, y)) {
        layout.kind = PlotLayout::Kind::NoAxisPair;
        layout.note = kNoAxisPairNote;
        return layout;
    }
    // With no room between the margins the scales would be zero or negative.
    if (width <= kPlotMargin || height <= kPlotMargin) {
        layout.kind = PlotLayout::Kind::TooSmall;
        return layout;
    }

    const int np = run::shownSamples(session.results);
    const auto coordinate = [&](int s, int axis) { return run::shownCoordinate(session.results, s, axis); };

    double maxX = -1000.0, minX = 1000.0, maxY = -1000.0, minY = 1000.0;
    for (int s = 1; s <= np; ++s) {
        const double cx = coordinate(s, x);
        const double cy = coordinate(s, y);
        if (cx < minX) minX = cx;
        if (cx > maxX) maxX = cx;
        if (cy < minY) minY = cy;
        if (cy > maxY) maxY = cy;
    }

    const double halfW = static_cast<double>(width - kPlotMargin) / 2.0;
    const double halfH = static_cast<double>(height - kPlotMargin) / 2.0;
    layout.scaleX = axisScale(halfW, maxX, minX);
    layout.scaleY = axisScale(halfH, maxY, minY);

    layout.frameLeft = kPlotFrameInset;
    layout.frameTop = kPlotFrameInset;
    layout.frameRight = width - kPlotFrameInset;
    layout.frameBottom = height - kPlotFrameInset;

    const int centreX = width / 2;
    const int centreY = height / 2;
    layout.horizontalAxisY = centreY;
    layout.verticalAxisX = centreX;
    layout.origin = PlotText{centreX, centreY, "0", 0, 0};

    layout.samples.reserve(static_cast<std::size_t>(np));
    for (int s = 1; s <= np; ++s) {
        const double cx = coordinate(s, x);
        const double cy = coordinate(s, y);
        PlotText mark;
        mark.sample = s;
        mark.left = centreX + roundHalfEven(cx * layout.scaleX);
        // Not flipped: a positive Y coordinate lies below the horizontal axis.
        mark.top = centreY + roundHalfEven(cy * layout.scaleY);
        mark.text = run::shownSampleName(session.settings, session.results, s);
        const auto ss = static_cast<std::size_t>(s);
        mark.color = ss < session.desktop.popColor.size()
                         ? static_cast<std::uint32_t>(session.desktop.popColor[ss]) & 0x00FFFFFFu
                         : 0u;
        layout.samples.push_back(std::move(mark));
    }
    return layout;
}

}  // namespace zeltric::ui
