// The plot window on a screen of device pixel ratio 2: drawn at that ratio,
// saved exactly as at ratio 1.

#include <QApplication>
#include <QtTest>
#include <memory>

#include "run/session.hpp"
#include "test_support.hpp"
#include "ui/colour_dialog.hpp"
#include "ui/plot_painter.hpp"
#include "ui/plot_window.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

using namespace zeltric;

class TestPlotHiDpi : public QObject {
    Q_OBJECT

private slots:
    void ratioTwo_drawsSharpAndSavesTheSameBitmap() {
        run::Session session;
        session.results.analysed.np = 4;
        session.results.pca.alleleColumnCount = 8;
        session.results.pca.dimension = 4;
        const float coordinates[5][3] = {
            {0, 0, 0}, {0, -2.0f, 1.0f}, {0, 1.0f, -0.5f}, {0, 0.5f, 0.25f}, {0, 1.5f, -1.0f}};
        for (int s = 1; s <= 4; ++s)
            for (int k = 1; k <= 2; ++k) session.results.pca.populationCoordinates(s, k) = coordinates[s][k];
        ui::PlotWindow* window = ui::launchGraph(session);
        session.desktop.popColor[2] = ui::kColorRed;
        window->redraw(1, 2);
        QCOMPARE(window->devicePixelRatioF(), 2.0);

        // What is saved is the ratio-1 picture, pixel for pixel.
        const auto [width, height] = ui::newWindowBitmapSize();
        const QImage expected = ui::renderPlot(session, 1, 2, width, height, nullptr);
        QCOMPARE(window->picture().devicePixelRatio(), 1.0);
        QCOMPARE(window->picture(), expected);
        test::TempDir dir;
        window->dialogs().setNextFileName(QString::fromStdString(dir.file("plot.bmp")));
        control<QAction>(window, "SaveAs1")->trigger();
        const QImage saved(QString::fromStdString(dir.file("plot.bmp")), "BMP");
        QCOMPARE(saved.size(), QSize(690, 399));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));

        // What is shown has twice the pixels in each direction, same colours.
        const QImage& shown = control<ui::PlotImage>(window, "Image1")->display();
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        QCOMPARE(shown.size(), QSize(2 * width, 2 * height));
        for (int y = 0; y < height; y += 7)
            for (int x = 0; x < width; x += 5)
                if (expected.pixel(x, y) == qRgb(0, 0, 0) && x > 12 && y > 12 && x < width - 12 &&
                    y < height - 12 && (x == width / 2 || y == height / 2))
                    QCOMPARE(shown.pixel(2 * x, 2 * y), qRgb(0, 0, 0));  // the axes
        ui::destroyGraph(session, window);
    }
};

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestPlotHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "plot_hidpi_test.moc"
