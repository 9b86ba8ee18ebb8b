#include "ui/plot_figure.hpp"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <cmath>
#include <stdexcept>

#include "base/messages_run.hpp"

namespace zeltric::ui {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kInchesPerMetre = 39.3700787;

}  // namespace

std::string renderFigure(const std::string& svg, figure::FigureFormat format, int pngWidth) {
    QSvgRenderer renderer(QByteArray::fromStdString(svg));
    if (!renderer.isValid()) throw std::runtime_error(base::renderFaultReason(base::RenderFault::SvgUnreadable));
    const QRectF box = renderer.viewBoxF();
    if (box.width() <= 0.0 || box.height() <= 0.0)
        throw std::runtime_error(base::renderFaultReason(base::RenderFault::NoSize));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (format == figure::FigureFormat::Pdf) {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("ZELTRIC"));
        writer.setPageSize(QPageSize(box.size(), QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer))
            throw std::runtime_error(base::renderFaultReason(base::RenderFault::PdfNotStarted));
        renderer.render(&painter, QRectF(0, 0, writer.width(), writer.height()));
        painter.end();
    } else if (format == figure::FigureFormat::Png) {
        if (pngWidth < figure::kMinPngWidth || pngWidth > figure::kMaxPngWidth)
            throw std::runtime_error(base::pngWidthReason());
        const int height = static_cast<int>(std::lround(pngWidth * box.height() / box.width()));
        QImage image(pngWidth, height, QImage::Format_RGB32);
        if (image.isNull()) throw std::runtime_error(base::renderFaultReason(base::RenderFault::NoMemory));
        image.fill(Qt::white);
        const double dotsPerInch = pngWidth / (box.width() / kPointsPerInch);
        const int dotsPerMetre = static_cast<int>(std::lround(dotsPerInch * kInchesPerMetre));
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setRenderHint(QPainter::TextAntialiasing, true);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            renderer.render(&painter, QRectF(0, 0, pngWidth, height));
        }
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image)) throw std::runtime_error(writer.errorString().toStdString());
    } else {
        return svg;
    }
    return buffer.data().toStdString();
}

}  // namespace zeltric::ui
