#include "figure/pairwise_heatmap.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "figure/font_metrics.hpp"
#include "figure/svg_writer.hpp"

namespace zeltric::figure {

namespace {

constexpr double kMargin = 12.0;
constexpr double kLabelSize = 8.0;
constexpr double kScaleHeight = 10.0;
constexpr double kSignificant = 0.05;
constexpr int kScaleSteps = 10;

// Two decimals at most, as the other figures write coordinates.
std::string num(double value) {
    if (!std::isfinite(value)) value = 0.0;
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (text == "-0" || text.empty()) text = "0";
    return text;
}

// White to dark red (#b2182b) as `share` goes from 0 to 1.
std::string shade(double share) {
    share = std::clamp(share, 0.0, 1.0);
    const auto channel = [&](int to) { return static_cast<int>(std::lround(255.0 + (to - 255) * share)); };
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", channel(0xb2), channel(0x18), channel(0x2b));
    return buffer;
}

std::string rect(double x, double y, double w, double h, const std::string& fill) {
    return "<rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" + num(h) +
           "\" fill=\"" + fill + "\"/>\n";
}

std::string text(double x, double y, const std::string& content, const std::string& attributes = {}) {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"" + attributes + ">" + escapeXml(content) + "</text>\n";
}

std::string scaleNumber(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3g", value);
    return buffer;
}

}  // namespace

std::vector<std::size_t> heatMapOrder(const std::vector<double>& firstAxis) {
    std::vector<std::size_t> order(firstAxis.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return firstAxis[a] < firstAxis[b]; });
    return order;
}

std::string pairwiseHeatMapSvg(const PairwiseMap& map, const std::string& title) {
    const std::size_t samples = map.names.size();
    const std::vector<std::size_t> order = heatMapOrder(map.firstAxis);
    // theta of samples a and b (any order), from the pairs' list.
    const auto pairIndex = [&](std::size_t a, std::size_t b) {
        const std::size_t j = std::min(a, b);
        const std::size_t k = std::max(a, b);
        return j * samples - j * (j + 1) / 2 + (k - j - 1);
    };
    double highest = 0.0;
    for (const auto& t : map.theta)
        if (t) highest = std::max(highest, *t);

    const double cell = std::clamp(480.0 / static_cast<double>(std::max<std::size_t>(samples, 1)), 4.0, 16.0);
    const double labelSize = std::min(kLabelSize, cell * 0.8);
    double longest = 0.0;
    for (const std::string& name : map.names) longest = std::max(longest, textWidth(name, labelSize));
    const double left = kMargin + longest + 4.0;
    const double top = kMargin + longest + 4.0;
    const double side = cell * static_cast<double>(samples);
    const double scaleTop = top + side + 10.0;
    const double width = std::max(left + side + kMargin, left + 200.0 + kMargin);
    const double height = scaleTop + kScaleHeight + 4.0 + fontAscent(labelSize) + 2.0 * fontDescent(labelSize) +
                          (map.holm.empty() ? 0.0 : labelSize + 4.0) + kMargin;

    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" width=\"" + num(width) +
           "pt\" height=\"" + num(height) + "pt\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\">\n";
    out += "<title>" + escapeXml(title) + "</title>\n";
    out += rect(0.0, 0.0, width, height, "#ffffff");

    out += "<g stroke=\"none\">\n";
    for (std::size_t row = 0; row < samples; ++row)
        for (std::size_t column = 0; column < samples; ++column) {
            if (row == column) continue;
            const std::optional<double>& t = map.theta[pairIndex(order[row], order[column])];
            const std::string fill = !t ? "#bbbbbb" : shade(highest > 0.0 ? *t / highest : 0.0);
            out += rect(left + cell * static_cast<double>(column), top + cell * static_cast<double>(row), cell,
                        cell, fill);
        }
    out += "</g>\n";
    out += "<rect x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(side) + "\" height=\"" +
           num(side) + "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"0.6\"/>\n";

    if (!map.holm.empty()) {
        out += "<g fill=\"#000000\" stroke=\"none\">\n";
        for (std::size_t row = 0; row < samples; ++row)
            for (std::size_t column = 0; column < samples; ++column) {
                if (row == column) continue;
                const std::optional<double>& p = map.holm[pairIndex(order[row], order[column])];
                if (!p || *p >= kSignificant) continue;
                out += "<circle cx=\"" + num(left + cell * (static_cast<double>(column) + 0.5)) + "\" cy=\"" +
                       num(top + cell * (static_cast<double>(row) + 0.5)) + "\" r=\"" + num(cell * 0.18) +
                       "\"/>\n";
            }
        out += "</g>\n";
    }

    const double middle = (fontAscent(labelSize) - fontDescent(labelSize)) / 2.0;
    out +=
        "<g font-family=\"DejaVu Sans\" font-size=\"" + num(labelSize) + "\" fill=\"#000000\" stroke=\"none\">\n";
    for (std::size_t i = 0; i < samples; ++i) {
        const std::string& name = map.names[order[i]];
        const double centre = cell * (static_cast<double>(i) + 0.5);
        out += text(left - 3.0 - textWidth(name, labelSize), top + centre + middle, name);
        out += "<text transform=\"translate(" + num(left + centre + middle) + "," + num(top - 3.0) +
               ") rotate(-90)\" x=\"0\" y=\"0\">" + escapeXml(name) + "</text>\n";
    }
    // The scale: kScaleSteps shades from 0 to the largest theta.
    const double step = 200.0 / kScaleSteps;
    for (int i = 0; i < kScaleSteps; ++i)
        out += rect(left + step * i, scaleTop, step, kScaleHeight, shade((i + 0.5) / kScaleSteps));
    const double numbers = scaleTop + kScaleHeight + 2.0 + fontAscent(labelSize);
    out += text(left, numbers, "0");
    const std::string top_ = scaleNumber(highest);
    out += text(left + 200.0 - textWidth(top_, labelSize), numbers, top_);
    const std::string caption = "pairwise theta";
    out += text(left + 100.0 - textWidth(caption, labelSize) / 2.0, numbers, caption);
    if (!map.holm.empty()) {
        const double baseline = numbers + labelSize + 4.0;
        out += text(left + 8.0, baseline, "Holm-adjusted P below 0.05");
        out += "<circle cx=\"" + num(left + 3.0) + "\" cy=\"" + num(baseline - middle) + "\" r=\"2\"/>\n";
    }
    out += "</g>\n";
    out += "</svg>\n";
    return out;
}

}  // namespace zeltric::figure
