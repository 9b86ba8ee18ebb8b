#pragma once

#include <QFont>
#include <QImage>
#include <string>
#include <utility>

#include "run/session.hpp"
#include "ui/plot_layout.hpp"

// Draws the plot layout on a bitmap and writes it as a BMP file. Qt Gui only,
// so the batch front end renders the same picture without a display.

namespace zeltric::ui {

// Width and height of the picture of a newly opened plot window; the batch
// front end draws its plot at this size.
std::pair<int, int> newWindowBitmapSize();

// The windows' "MS Sans Serif" at a pixel size, with the system's sans-serif
// standing in where that face is missing.
QFont sansSerifFont(int pixels);

// The bitmap's default font: the "0" and, until a font is chosen, the samples.
QFont plotDefaultFont();

// 0x00BBGGRR as a colour.
QColor plotColor(std::uint32_t bgr);

// Draws `layout` on a new white bitmap of its size. Text is drawn without
// anti-aliasing so that every pixel is white, black or a sample's exact
// colour. `sampleFont` (the font chosen in the window) applies to the
// samples only; null means the default font. An empty size gives a null image.
// A device pixel ratio above 1 draws the same picture with that many device
// pixels per pixel, for a sharp display on a high-density screen; files are
// always written from the ratio-1 picture.
QImage paintPlot(const PlotLayout& layout, const QFont* sampleFont, qreal devicePixelRatio = 1.0);

// layoutPlot + paintPlot.
QImage renderPlot(const run::Session& session, int x, int y, int width, int height, const QFont* sampleFont,
                  qreal devicePixelRatio = 1.0);

// The name a chosen file name is written under: the name itself when its
// extension (from the last full stop of the file name to its end) is exactly
// ".bmp", otherwise the name without its extension followed by ".bmp". The
// comparison is case-sensitive: "plot.BMP" becomes "plot.bmp".
std::string bitmapFileName(const std::string& chosenName);

// Writes `image` as a BMP file under bitmapFileName(chosenName), replacing an
// existing file. Returns false with a message naming the file when it cannot
// be written. `writtenPath` and `error` may be null.
bool savePlotBmp(const QImage& image, const std::string& chosenName, std::string* writtenPath, std::string* error);

}  // namespace zeltric::ui
