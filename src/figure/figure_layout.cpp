#include "figure/figure_layout.hpp"

#include <algorithm>
#include <cmath>

#include "base/messages.hpp"
#include "base/number_field.hpp"
#include "figure/font_metrics.hpp"

namespace zeltric::figure {

namespace {

constexpr double kPad = 8.0;
constexpr double kTickGap = 2.5;       // between a tick's end and its number
constexpr double kTitleGap = 6.0;      // between the numbers and the axis title
constexpr double kRangeMargin = 0.08;  // share of the data's span added on each side

// Runs of white space become one space; characters XML forbids (other
// control characters, U+FFFE, U+FFFF, lone surrogates) become U+FFFD and are
// counted in `replaced`, so the figure stays valid SVG and its note says so.
std::string collapseSpaces(const std::string& text, int& replaced) {
    std::u32string out;
    bool space = false;
    for (char32_t c : decodeUtf8(text)) {
        if (c == U' ' || c == U'\t' || c == U'\r' || c == U'\n' || c == U'\f' || c == U'\v') {
            space = !out.empty();
            continue;
        }
        if (space) out.push_back(U' ');
        space = false;
        if (c < 0x20 || c == 0xFFFE || c == 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = 0xFFFD;
            ++replaced;
        }
        out.push_back(c);
    }
    return encodeUtf8(out);
}

}  // namespace

std::string pValueText(double p, int randomisations) {
    const auto decimalsFor = [](double value) {
        // Three decimals down to 0.001, then two significant digits.
        if (value >= 0.001 || value <= 0.0) return 3;
        return static_cast<int>(-std::floor(std::log10(value))) + 1;
    };
    if (randomisations > 0 &&
        static_cast<float>(p) == static_cast<float>(1.0 / static_cast<double>(randomisations))) {
        const double bound = 1.0 / static_cast<double>(randomisations);
        return "P \u2264 " + base::realField(bound, 0, decimalsFor(bound));
    }
    return "P = " + base::realField(p, 0, decimalsFor(p));
}

std::string axisTitle(const FigureAxis& axis) {
    std::string text = "Axis " + std::to_string(axis.number) + " (" + base::realField(axis.percentInertia, 0, 1) +
                       " % of inertia";
    if (!axis.interval.empty()) text += ", " + axis.interval;
    text += ", Fst " + base::realField(axis.fst, 0, 3);
    if (axis.pValue) text += ", " + pValueText(*axis.pValue, axis.randomisations);
    text += ")";
    return text;
}

std::vector<std::pair<double, std::string>> niceTicks(double lo, double hi) {
    std::vector<std::pair<double, std::string>> ticks;
    if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi)) return ticks;
    const double raw = (hi - lo) / 5.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude;
    const double step = (f < 1.5 ? 1.0 : f < 3.5 ? 2.0 : f < 7.5 ? 5.0 : 10.0) * magnitude;
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    const auto first = static_cast<long long>(std::ceil(lo / step - 1e-9));
    const auto last = static_cast<long long>(std::floor(hi / step + 1e-9));
    for (long long k = first; k <= last; ++k) {
        const double value = static_cast<double>(k) * step;
        std::string text = base::realField(k == 0 ? 0.0 : value, 0, decimals);
        if (!text.empty() && text[0] == '-') text.replace(0, 1, "\u2212");
        ticks.emplace_back(value, std::move(text));
    }
    return ticks;
}

AxisScale axisScale(const std::vector<FigureSample>& samples, bool horizontal) {
    // The data's span with zero in it, widened so markers and their labels
    // keep clear of the frame. An axis on which every sample sits at zero gets -1..1.
    double lo = 0.0;
    double hi = 0.0;
    for (const FigureSample& s : samples) {
        const double v = horizontal ? s.x : s.y;
        if (!std::isfinite(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    const double span = hi - lo;
    AxisScale scale;
    if (span <= 0.0) {
        scale.lo = -1.0;
        scale.hi = 1.0;
    } else {
        scale.lo = lo - kRangeMargin * span;
        scale.hi = hi + kRangeMargin * span;
    }
    scale.ticks = niceTicks(scale.lo, scale.hi);
    return scale;
}

FrameSides fitOneScale(AxisScale& x, AxisScale& y, double width, double height) {
    const double scale = std::min(width / (x.hi - x.lo), height / (y.hi - y.lo));
    const auto fit = [scale](AxisScale& r, double asked) {
        const double side = std::max(scale * (r.hi - r.lo), asked / 3.0);
        const double grow = (side / scale - (r.hi - r.lo)) / 2.0;
        r.lo -= grow;
        r.hi += grow;
        r.ticks = niceTicks(r.lo, r.hi);
        return side;
    };
    FrameSides sides;
    sides.width = fit(x, width);
    sides.height = fit(y, height);
    return sides;
}

FigureLayout layoutFigure(const FigureInput& input, const FigureStyle& style) {
    FigureLayout f;
    f.style = style;
    f.width = style.width;

    AxisScale xr = axisScale(input.samples, true);
    AxisScale yr = axisScale(input.samples, false);
    const auto& xTicks = xr.ticks;
    const auto& yTicks = yr.ticks;

    const double tickAscent = fontAscent(style.tickSize);
    const double tickDescent = fontDescent(style.tickSize);
    const double titleAscent = fontAscent(style.titleSize);
    const double titleDescent = fontDescent(style.titleSize);

    const auto placeFrame = [&] {
        double yTickWidth = 0.0;
        for (const auto& t : yTicks) yTickWidth = std::max(yTickWidth, textWidth(t.second, style.tickSize));
        const double lastXTickHalf = xTicks.empty() ? 0.0 : textWidth(xTicks.back().second, style.tickSize) / 2.0;
        f.frame.left = kPad + titleAscent + titleDescent + kTitleGap + yTickWidth + kTickGap + f.tickLength;
        f.frame.right = f.width - std::max(kPad + 4.0, lastXTickHalf + kPad / 2.0);
        f.frame.top = kPad + (tickAscent + tickDescent) / 2.0;
        f.frame.bottom = f.frame.top + style.plotHeight;
    };
    placeFrame();
    if (input.oneScale) {
        const FrameSides sides = fitOneScale(xr, yr, f.frame.width(), f.frame.height());
        placeFrame();
        // The numbers may have changed width: the frame keeps its left side
        // and the one scale; the figure ends where the frame's right margin does.
        const double margin = f.width - f.frame.right;
        f.frame.right = f.frame.left + sides.width;
        f.frame.bottom = f.frame.top + sides.height;
        f.width = std::ceil(f.frame.right + margin);
    }
    const Rect& fr = f.frame;

    const auto px = [&](double x) { return fr.left + (x - xr.lo) / (xr.hi - xr.lo) * fr.width(); };
    const auto py = [&](double y) { return fr.bottom - (y - yr.lo) / (yr.hi - yr.lo) * fr.height(); };
    f.zeroX = px(0.0);
    f.zeroY = py(0.0);
    for (const auto& [value, text] : xTicks) f.xTicks.push_back({px(value), text});
    for (const auto& [value, text] : yTicks) f.yTicks.push_back({py(value), text});
    f.xTickBaseline = fr.bottom + f.tickLength + kTickGap + tickAscent;
    f.yTickRight = fr.left - f.tickLength - kTickGap;

    // Titles shrink to fit along their side of the frame, never below 5 points.
    f.xTitle = axisTitle(input.horizontal);
    f.yTitle = axisTitle(input.vertical);
    const auto fitted = [&](const std::string& title, double room) {
        const double w = textWidth(title, style.titleSize);
        return w <= room ? style.titleSize : std::max(5.0, style.titleSize * room / w);
    };
    f.xTitleSize = fitted(f.xTitle, fr.width());
    f.yTitleSize = fitted(f.yTitle, fr.height());
    const double xTitleBaseline = f.xTickBaseline + tickDescent + kTitleGap + titleAscent;
    f.xTitleCentre = {(fr.left + fr.right) / 2.0, xTitleBaseline};
    // Turned a quarter left, the glyphs rise towards -x from the baseline.
    f.yTitleCentre = {kPad + titleAscent, (fr.top + fr.bottom) / 2.0};

    // Markers and labels.
    const double labelAscent = fontAscent(style.labelSize);
    const double labelHeight = labelAscent + fontDescent(style.labelSize);
    std::vector<LabelRequest> requests;
    std::vector<std::size_t> requestSample;
    std::vector<std::string> texts;
    int replaced = 0;
    for (std::size_t s = 0; s < input.samples.size(); ++s) {
        const FigureSample& sample = input.samples[s];
        const Point centre{px(std::isfinite(sample.x) ? sample.x : 0.0),
                           py(std::isfinite(sample.y) ? sample.y : 0.0)};
        f.markers.push_back({centre, sample.rgb & 0xFFFFFFu});
        std::string text = collapseSpaces(sample.label, replaced);
        if (text.empty()) continue;
        const double w = textWidth(text, style.labelSize);
        // Room for kerning and hinting differences between renderers.
        const double slack = 0.03 * w + 0.6;
        requests.push_back({centre, w + slack, labelHeight});
        requestSample.push_back(s);
        texts.push_back(std::move(text));
    }
    // Labels keep clear of the frame's line, which their white boxes would hide.
    const Rect inside{fr.left + 0.5, fr.top + 0.5, fr.right - 0.5, fr.bottom - 0.5};
    const std::vector<LabelPlace> places = placeLabels(inside, requests, style.placement);
    for (std::size_t i = 0; i < places.size(); ++i) {
        const LabelPlace& place = places[i];
        if (place.kind == LabelPlace::Kind::Omitted) {
            ++f.omitted;
            continue;
        }
        FigureLabel label;
        label.text = texts[i];
        label.box = place.box;
        const double slack = place.box.width() - textWidth(texts[i], style.labelSize);
        label.baseline = {place.box.left + slack / 2.0, place.box.top + labelAscent};
        label.rgb = input.samples[requestSample[i]].rgb & 0xFFFFFFu;
        label.kind = place.kind;
        label.leaderStart = place.leaderStart;
        label.leaderEnd = place.leaderEnd;
        f.labels.push_back(std::move(label));
    }

    // Notes under the figure, the figure widened to hold them if need be.
    double bottom = xTitleBaseline + titleDescent;
    const auto addNote = [&](std::string& text, Point& start, std::string value) {
        text = std::move(value);
        const double noteBaseline = bottom + kTitleGap + fontAscent(style.noteSize);
        start = {kPad, noteBaseline};
        bottom = noteBaseline + fontDescent(style.noteSize);
        f.width = std::max(f.width, std::ceil(textWidth(text, style.noteSize) + 2.0 * kPad));
    };
    addNote(f.note, f.noteStart, base::figureFstNote());
    std::string second;
    if (f.omitted > 0)
        second = f.omitted == 1
                     ? "1 sample label was left out: there was no room for it near its marker."
                     : std::to_string(f.omitted) +
                           " sample labels were left out: there was no room for them near their markers.";
    if (replaced > 0) second += (second.empty() ? "" : " ") + base::replacedLabelCharactersNote(replaced);
    if (!second.empty()) addNote(f.secondNote, f.secondNoteStart, std::move(second));
    f.height = std::ceil(bottom + kPad);
    return f;
}

}  // namespace zeltric::figure
