#pragma once

#include <string>
#include <string_view>
#include <vector>

// Text widths of the figure's one font, DejaVu Sans, from a table of glyph
// advances generated from the font file (scripts/generate_font_metrics.py).
// The layout measures with it and the SVG names the same font, so a label's
// box holds the label wherever the SVG is drawn with that font installed.

namespace zeltric::figure {

struct GlyphAdvance {
    char32_t code;
    int advance;  // in font units
};

struct FontMetricsTable {
    int unitsPerEm;
    int ascent;                          // above the baseline, font units
    int descent;                         // below the baseline, font units (positive)
    std::vector<GlyphAdvance> advances;  // ascending by code
};

extern const FontMetricsTable kDejaVuSans;

// UTF-8 to code points; every byte that does not start a well-formed sequence
// becomes U+FFFD, so any label reaches the SVG as valid text.
std::u32string decodeUtf8(std::string_view text);
std::string encodeUtf8(std::u32string_view text);

// Advance width of `text` (UTF-8) at font size `size`, without kerning. A
// character missing from the table counts one em, wider than most glyphs,
// so a box never comes out too small for it.
double textWidth(std::string_view text, double size);
double fontAscent(double size);
double fontDescent(double size);

}  // namespace zeltric::figure
