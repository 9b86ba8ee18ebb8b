#include "ui/plot_painter.hpp"

#include "base/fatal_error.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"

#include <QBuffer>
#include <QFile>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>
#include <QString>

namespace zeltric::ui {

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

// Text without anti-aliasing: a blended edge pixel would be neither the
// sample's colour nor the background.
QFont crisp(QFont font) {
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// A text with its top-left corner at (left, top), on an opaque white cell as
// wide as the text and as high as the font's line.
void writeText(QPainter& painter, const QFont& font, const PlotText& text) {
    const QString string = QString::fromStdString(text.text);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    painter.fillRect(QRect(text.left, text.top, metrics.horizontalAdvance(string), metrics.height()), kWhite);
    painter.setPen(plotColor(text.color));
    painter.drawText(QPoint(text.left, text.top + metrics.ascent()), string);
}

}  // namespace

std::pair<int, int> newWindowBitmapSize() {
    return {kPlotWindowWidth - 2 * kPlotImageBorder, plotPanel2Height(kPlotWindowHeight) - 2 * kPlotImageBorder};
}

QFont sansSerifFont(int pixels) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

QFont plotDefaultFont() { return crisp(sansSerifFont(11)); }

QColor plotColor(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                  static_cast<int>((bgr >> 16) & 0xFFu));
}

QImage paintPlot(const PlotLayout& layout, const QFont* sampleFont, qreal devicePixelRatio) {
    if (layout.width <= 0 || layout.height <= 0) return {};
    QImage image(qRound(layout.width * devicePixelRatio), qRound(layout.height * devicePixelRatio),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(kWhite);
    if (layout.kind == PlotLayout::Kind::TooSmall) return image;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    const QFont defaultFont = plotDefaultFont();

    if (layout.kind == PlotLayout::Kind::NoAxisPair) {
        painter.setFont(defaultFont);
        painter.setPen(kBlack);
        painter.drawText(QRect(kPlotFrameInset, kPlotFrameInset, layout.width - 2 * kPlotFrameInset,
                               layout.height - 2 * kPlotFrameInset),
                         Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(layout.note));
        return image;
    }

    // Frame: white inside a 1-pixel black outline; right and bottom exclusive.
    // Filled pixel by pixel so that no pen convention moves an edge.
    const int frameWidth = layout.frameRight - layout.frameLeft;
    const int frameHeight = layout.frameBottom - layout.frameTop;
    painter.fillRect(QRect(layout.frameLeft, layout.frameTop, frameWidth, frameHeight), kWhite);
    painter.fillRect(QRect(layout.frameLeft, layout.frameTop, frameWidth, 1), kBlack);
    painter.fillRect(QRect(layout.frameLeft, layout.frameBottom - 1, frameWidth, 1), kBlack);
    painter.fillRect(QRect(layout.frameLeft, layout.frameTop, 1, frameHeight), kBlack);
    painter.fillRect(QRect(layout.frameRight - 1, layout.frameTop, 1, frameHeight), kBlack);

    // Axes through the margins to the edges (end points excluded).
    painter.fillRect(QRect(0, layout.horizontalAxisY, layout.width, 1), kBlack);
    painter.fillRect(QRect(layout.verticalAxisX, 0, 1, layout.height), kBlack);

    writeText(painter, defaultFont, layout.origin);

    const QFont samplesFont = sampleFont != nullptr ? crisp(*sampleFont) : defaultFont;
    for (const PlotText& sample : layout.samples) writeText(painter, samplesFont, sample);
    return image;
}

QImage renderPlot(const run::Session& session, int x, int y, int width, int height, const QFont* sampleFont,
                  qreal devicePixelRatio) {
    return paintPlot(layoutPlot(session, x, y, width, height), sampleFont, devicePixelRatio);
}

std::string bitmapFileName(const std::string& chosenName) {
    const std::size_t slash = chosenName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = chosenName.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return chosenName + ".bmp";
    if (chosenName.compare(dot, std::string::npos, ".bmp") == 0) return chosenName;
    return chosenName.substr(0, dot) + ".bmp";
}

bool savePlotBmp(const QImage& image, const std::string& chosenName, std::string* writtenPath,
                 std::string* error) {
    const std::string path = bitmapFileName(chosenName);
    if (writtenPath != nullptr) *writtenPath = path;
    auto fail = [&](const QString& reason) {
        if (error != nullptr) *error = base::plotFailureMessage(path, reason.toStdString());
        return false;
    };
    if (image.isNull()) return fail(QString::fromStdString(base::emptyPictureReason()));

    // Encoded in memory, then written beside the target and renamed over it,
    // so a failed write (a full disk) never leaves a part-written picture.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(image)) return fail(writer.errorString());
    try {
        base::replaceFileAtomically(path, buffer.data().toStdString());
    } catch (const base::FatalError& e) {
        if (error != nullptr) *error = e.what();
        return false;
    }
    return true;
}

}  // namespace zeltric::ui
