// The batch front end's plot bitmap, read back pixel by pixel.

#include <QtTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "run/go_step.hpp"
#include "run/session.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

using namespace zeltric;

class TestCliPlot : public QObject {
    Q_OBJECT

private slots:
    void bitmapOfTheExample();
    void axisOutsideTheRangesIsAUsageError();
    void fullDiskLeavesNoPartPicture();
};

namespace {

bool isWhite(QRgb pixel) { return (pixel & 0xffffff) == 0xffffff; }
bool isBlack(QRgb pixel) { return (pixel & 0xffffff) == 0; }

}  // namespace

void TestCliPlot::bitmapOfTheExample() {
    test::TempDir dir;
    std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", dir.file("trout.dat"));
    const test::ProcessResult run =
        test::runCli("--quiet --plot 1,2 --plot-file " + test::shellQuote(dir.file("picture.BMP")) + " " +
                     test::shellQuote(dir.file("trout.dat")));
    QCOMPARE(run.exitCode, 0);
    // The extension rule is case-sensitive: ".BMP" is replaced.
    QVERIFY(std::filesystem::exists(dir.file("picture.bmp")));
    QImage image(QString::fromStdString(dir.file("picture.bmp")), "BMP");
    QVERIFY(!image.isNull());
    const int w = image.width();
    const int h = image.height();
    QCOMPARE(w, 690);
    QCOMPARE(h, 399);

    // The same analysis in this process gives the coordinates to expect.
    run::Session session;
    test::RecordingInterface ui;
    test::TempDir again;
    std::filesystem::copy(dir.file("trout.dat"), again.file("trout.dat"));
    run::openStep(session, ui, again.file("trout.dat"));
    run::goStep(session, ui);

    QVERIFY(isWhite(image.pixel(2, 2)));
    QVERIFY(isWhite(image.pixel(w - 3, h - 3)));
    QVERIFY(isWhite(image.pixel(12, 12)));
    for (int y = 10; y < h - 10; y += 37) QVERIFY(isBlack(image.pixel(10, y)));
    for (int x = 10; x < w - 10; x += 41) QVERIFY(isBlack(image.pixel(x, 10)));
    // Sample texts are written on an opaque white background and may hide
    // parts of the axes, so most of each line must be black, not all.
    int horizontal = 0;
    for (int x = 0; x < w; ++x) horizontal += isBlack(image.pixel(x, h / 2));
    int vertical = 0;
    for (int y = 0; y < h; ++y) vertical += isBlack(image.pixel(w / 2, y));
    QVERIFY2(horizontal > w * 3 / 4, qPrintable(QString::number(horizontal)));
    QVERIFY2(vertical > h * 3 / 4, qPrintable(QString::number(vertical)));

    double maxX = -1000, minX = 1000, maxY = -1000, minY = 1000;
    const int np = session.results.analysed.np;
    for (int s = 1; s <= np; ++s) {
        const double cx = session.results.pca.populationCoordinates(s, 1);
        const double cy = session.results.pca.populationCoordinates(s, 2);
        maxX = std::max(maxX, cx), minX = std::min(minX, cx), maxY = std::max(maxY, cy), minY = std::min(minY, cy);
    }
    const double sx = ((w - 50) / 2) / (std::fabs(maxX) > std::fabs(minX) ? maxX : std::fabs(minX));
    const double sy = ((h - 50) / 2) / (std::fabs(maxY) > std::fabs(minY) ? maxY : std::fabs(minY));
    for (int s = 1; s <= np; ++s) {
        const int px =
            w / 2 + static_cast<int>(std::nearbyint(session.results.pca.populationCoordinates(s, 1) * sx));
        const int py =
            h / 2 + static_cast<int>(std::nearbyint(session.results.pca.populationCoordinates(s, 2) * sy));
        int dark = 0;
        for (int y = py; y < std::min(h, py + 14); ++y)
            for (int x = px; x < std::min(w, px + 8); ++x)
                if (!isWhite(image.pixel(x, y)) && y != h / 2 && x != w / 2) ++dark;
        QVERIFY2(dark > 0, qPrintable(QString("sample %1 at %2,%3").arg(s).arg(px).arg(py)));
    }
}

void TestCliPlot::axisOutsideTheRangesIsAUsageError() {
    test::TempDir dir;
    std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", dir.file("trout.dat"));
    const test::ProcessResult run = test::runCli("--quiet --plot 7,2 " + test::shellQuote(dir.file("trout.dat")));
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.find("X must lie in 1..6") != std::string::npos);
    QVERIFY(!std::filesystem::exists(dir.file("trout.bmp")));
}

void TestCliPlot::fullDiskLeavesNoPartPicture() {
    test::TempDir dir;
    std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat", dir.file("trout.dat"));
    const std::string small = dir.file("small");
    std::filesystem::create_directory(small);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs " + test::shellQuote(small) + " 2>/dev/null").c_str()) != 0)
        QSKIP("cannot mount a small tmpfs here");
    const test::ProcessResult run =
        test::runCli("--quiet --plot 1,2 --plot-file " + test::shellQuote(small + "/p.bmp") + " " +
                     test::shellQuote(dir.file("trout.dat")));
    const bool leftovers = !std::filesystem::is_empty(small);
    std::system(("umount " + test::shellQuote(small)).c_str());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.find("Cannot write the file \"" + small + "/p.bmp\": No space left on device") !=
                 std::string::npos,
             run.err.c_str());
    QVERIFY(!leftovers);
}

QTEST_GUILESS_MAIN(TestCliPlot)
#include "cli_plot_test.moc"
