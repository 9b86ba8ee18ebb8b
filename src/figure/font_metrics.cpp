#include "figure/font_metrics.hpp"

#include <algorithm>

namespace zeltric::figure {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

int advanceOf(char32_t code) {
    const auto& table = kDejaVuSans.advances;
    const auto it = std::lower_bound(table.begin(), table.end(), code,
                                     [](const GlyphAdvance& g, char32_t c) { return g.code < c; });
    if (it != table.end() && it->code == code) return it->advance;
    return kDejaVuSans.unitsPerEm;
}

}  // namespace

std::u32string decodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        }
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0u) != 0x80u) valid = false;
            code = (code << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and values beyond Unicode are refused.
        if (valid && ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
                      (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF))
            valid = false;
        if (valid) {
            out.push_back(code);
            i += static_cast<std::size_t>(length);
        } else {
            out.push_back(kReplacement);
            ++i;
        }
    }
    return out;
}

std::string encodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

double textWidth(std::string_view text, double size) {
    long long units = 0;
    for (const char32_t c : decodeUtf8(text)) units += advanceOf(c);
    return static_cast<double>(units) * size / static_cast<double>(kDejaVuSans.unitsPerEm);
}

double fontAscent(double size) {
    return static_cast<double>(kDejaVuSans.ascent) * size / static_cast<double>(kDejaVuSans.unitsPerEm);
}

double fontDescent(double size) {
    return static_cast<double>(kDejaVuSans.descent) * size / static_cast<double>(kDejaVuSans.unitsPerEm);
}

}  // namespace zeltric::figure
