#include "figure/svg_writer.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "figure/font_metrics.hpp"

namespace zeltric::figure {

namespace {

// Two decimals, trailing zeros cut, never a locale's comma.
std::string num(double value) {
    if (!std::isfinite(value)) value = 0.0;
    char buffer[64];
#ifdef __EMSCRIPTEN__
    // Its C++ library has no floating-point to_chars; its printf is as exact
    // (the correctly rounded decimal of the binary value) and the browser
    // build never changes the C locale.
    const int length = std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
#else
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
#endif
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (text == "-0" || text.empty()) text = "0";
    return text;
}

std::string colour(std::uint32_t rgb) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%06x", static_cast<unsigned>(rgb & 0xFFFFFFu));
    return buffer;
}

std::string line(Point a, Point b) {
    return "<line x1=\"" + num(a.x) + "\" y1=\"" + num(a.y) + "\" x2=\"" + num(b.x) + "\" y2=\"" + num(b.y) +
           "\"/>\n";
}

std::string text(double x, double y, const std::string& content, const std::string& attributes = {}) {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"" + attributes + ">" + escapeXml(content) + "</text>\n";
}

}  // namespace

std::string escapeXml(const std::string& text) {
    // Through the decoder, so that no malformed byte reaches the document.
    // U+FFFE and U+FFFF are no XML characters either.
    std::u32string decoded = decodeUtf8(text);
    for (char32_t& c : decoded)
        if (c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
    const std::string valid = encodeUtf8(decoded);
    std::string out;
    out.reserve(valid.size());
    for (const char c : valid) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                // XML allows no other control characters.
                out.push_back(static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' ? '?' : c);
        }
    }
    return out;
}

std::string writeSvg(const FigureLayout& f, const std::string& title) {
    const FigureStyle& s = f.style;
    const Rect& fr = f.frame;
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" width=\"" +
           num(f.width) + "pt\" height=\"" + num(f.height) + "pt\" viewBox=\"0 0 " + num(f.width) + " " +
           num(f.height) + "\">\n";
    out += "<title>" + escapeXml(title) + "</title>\n";
    out += "<rect x=\"0\" y=\"0\" width=\"" + num(f.width) + "\" height=\"" + num(f.height) +
           "\" fill=\"#ffffff\" stroke=\"none\"/>\n";

    out += "<g fill=\"none\" stroke=\"#999999\" stroke-width=\"0.5\" stroke-dasharray=\"3,2\">\n";
    if (f.zeroX) out += line({*f.zeroX, fr.top}, {*f.zeroX, fr.bottom});
    if (f.zeroY) out += line({fr.left, *f.zeroY}, {fr.right, *f.zeroY});
    out += "</g>\n";

    out += "<g fill=\"none\" stroke=\"#000000\" stroke-width=\"0.6\">\n";
    for (const FigureTick& t : f.xTicks)
        out += line({t.position, fr.bottom}, {t.position, fr.bottom + f.tickLength});
    for (const FigureTick& t : f.yTicks) out += line({fr.left - f.tickLength, t.position}, {fr.left, t.position});
    out += "</g>\n";
    out += "<rect x=\"" + num(fr.left) + "\" y=\"" + num(fr.top) + "\" width=\"" + num(fr.width()) +
           "\" height=\"" + num(fr.height()) + "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"0.8\"/>\n";

    out += "<g fill=\"none\" stroke=\"#666666\" stroke-width=\"0.4\">\n";
    for (const FigureLabel& l : f.labels)
        if (l.kind == LabelPlace::Kind::Leader) out += line(l.leaderStart, l.leaderEnd);
    out += "</g>\n";

    out += "<g stroke=\"none\">\n";
    for (const FigureMarker& m : f.markers)
        out += "<circle cx=\"" + num(m.centre.x) + "\" cy=\"" + num(m.centre.y) + "\" r=\"" +
               num(s.placement.markerRadius) + "\" fill=\"" + colour(m.rgb) + "\"/>\n";
    out += "</g>\n";

    // Each label on white, so a zero line never runs through its text; the
    // boxes overlap no marker, label or leader, so nothing else is hidden.
    out += "<g fill=\"#ffffff\" stroke=\"none\">\n";
    for (const FigureLabel& l : f.labels)
        out += "<rect x=\"" + num(l.box.left) + "\" y=\"" + num(l.box.top) + "\" width=\"" + num(l.box.width()) +
               "\" height=\"" + num(l.box.height()) + "\"/>\n";
    out += "</g>\n";
    out += "<g font-family=\"DejaVu Sans\" font-size=\"" + num(s.labelSize) + "\" stroke=\"none\">\n";
    for (const FigureLabel& l : f.labels)
        out += text(l.baseline.x, l.baseline.y, l.text, " fill=\"" + colour(l.rgb) + "\"");
    out += "</g>\n";

    // Tick numbers: centred under the horizontal axis, right-aligned left of
    // the vertical one and centred on their tick's height.
    const double tickMiddle = (fontAscent(s.tickSize) - fontDescent(s.tickSize)) / 2.0;
    out +=
        "<g font-family=\"DejaVu Sans\" font-size=\"" + num(s.tickSize) + "\" fill=\"#000000\" stroke=\"none\">\n";
    for (const FigureTick& t : f.xTicks)
        out += text(t.position - textWidth(t.text, s.tickSize) / 2.0, f.xTickBaseline, t.text);
    for (const FigureTick& t : f.yTicks)
        out += text(f.yTickRight - textWidth(t.text, s.tickSize), t.position + tickMiddle, t.text);
    out += "</g>\n";

    out += "<g font-family=\"DejaVu Sans\" fill=\"#000000\" stroke=\"none\">\n";
    out += text(f.xTitleCentre.x, f.xTitleCentre.y, f.xTitle,
                " font-size=\"" + num(f.xTitleSize) + "\" text-anchor=\"middle\"");
    out += "<text transform=\"translate(" + num(f.yTitleCentre.x) + "," + num(f.yTitleCentre.y) +
           ") rotate(-90)\" x=\"0\" y=\"0\" font-size=\"" + num(f.yTitleSize) + "\" text-anchor=\"middle\">" +
           escapeXml(f.yTitle) + "</text>\n";
    if (!f.note.empty())
        out += text(f.noteStart.x, f.noteStart.y, f.note, " font-size=\"" + num(s.noteSize) + "\"");
    if (!f.secondNote.empty())
        out +=
            text(f.secondNoteStart.x, f.secondNoteStart.y, f.secondNote, " font-size=\"" + num(s.noteSize) + "\"");
    out += "</g>\n";
    out += "</svg>\n";
    return out;
}

}  // namespace zeltric::figure
