// The plot bitmap as written to disk, the plot window and the colour dialog.

#include <QAction>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "run/session.hpp"
#include "test_support.hpp"
#include "ui/colour_dialog.hpp"
#include "ui/plot_layout.hpp"
#include "ui/plot_painter.hpp"
#include "ui/plot_window.hpp"
#include "ui_test_support.hpp"

using zeltric::run::Session;
using namespace zeltric::ui;
using zeltric::test::control;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

// Five samples on four axes; sample 3 sits at the origin.
std::unique_ptr<Session> fiveSamples() {
    auto session = std::make_unique<Session>();
    auto& pca = session->results.pca;
    session->results.analysed.np = 5;
    pca.alleleColumnCount = 9;
    pca.dimension = 5;
    const float coordinates[6][5] = {
        {0, 0, 0, 0, 0},          {0, -2.0f, 1.0f, 0.5f, 0},  {0, 1.0f, -0.5f, -1.0f, 0},
        {0, 0.0f, 0.0f, 0.0f, 0}, {0, 0.5f, 0.25f, 0.25f, 0}, {0, 1.5f, -1.0f, 0.75f, 0},
    };
    for (int s = 1; s <= 5; ++s)
        for (int k = 1; k <= 4; ++k) pca.populationCoordinates(s, k) = coordinates[s][k];
    for (int k = 1; k <= 4; ++k) {
        pca.percentInertia[static_cast<std::size_t>(k)] = 40.0f / static_cast<float>(k);
        pca.observedAxisFst[static_cast<std::size_t>(k)] = 0.1f / static_cast<float>(k);
        session->results.axisPValues[static_cast<std::size_t>(k)] = 0.01f * static_cast<float>(k);
    }
    const char* labels[] = {"", "Loire", "Rhone", "Seine", "Garonne", "Somme"};
    for (int s = 1; s <= 5; ++s)
        session->results.analysed.populationLabels[static_cast<std::size_t>(s)] = labels[s];
    return session;
}

QRect textCell(const PlotText& text, const QFont& font) {
    const QFontMetrics metrics(font);
    return QRect(text.left, text.top, metrics.horizontalAdvance(QString::fromStdString(text.text)),
                 metrics.height());
}

int countColour(const QImage& image, const QRect& area, QRgb colour) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (image.pixel(x, y) == colour) ++count;
    return count;
}

QRgb rgbOf(std::int32_t bgr) { return plotColor(static_cast<std::uint32_t>(bgr)).rgb(); }

void click(QWidget* dialog, const char* name) {
    QTest::mouseClick(control<QPushButton>(dialog, name), Qt::LeftButton);
}

void selectOnly(QWidget* dialog, std::initializer_list<int> lines) {
    auto* list = control<QListWidget>(dialog, "ListBox1");
    list->clearSelection();
    for (int line : lines) list->item(line)->setSelected(true);
}

// Owns a launched window for one test case; its boxes are recorded.
struct Launched {
    std::unique_ptr<Session> session;
    PlotWindow* window = nullptr;
    zeltric::test::ModalScript modals;
    explicit Launched(std::unique_ptr<Session> s) : session(std::move(s)) {
        window = launchGraph(*session);
        window->dialogs().setRecordMessages(true);
    }
    ~Launched() { destroyGraph(*session, window); }

    // The next colour dialog runs `clicks` while shown; left open, it is
    // then closed as by its frame.
    void answerColours(std::function<void(QDialog&)> clicks) {
        modals.then([clicks](QDialog& dialog) {
            clicks(dialog);
            if (dialog.isVisible()) dialog.reject();
        });
    }
};

}  // namespace

class TestPlotWindow : public QObject {
    Q_OBJECT

private slots:
    // ---- The bitmap file ----

    void bitmapFileName_rule() {
        QCOMPARE(bitmapFileName("/d/plot"), std::string("/d/plot.bmp"));
        QCOMPARE(bitmapFileName("/d/plot.bmp"), std::string("/d/plot.bmp"));
        QCOMPARE(bitmapFileName("/d/plot.BMP"), std::string("/d/plot.bmp"));
        QCOMPARE(bitmapFileName("/d/plot.txt"), std::string("/d/plot.bmp"));
        QCOMPARE(bitmapFileName("/d/plot.tar.gz"), std::string("/d/plot.tar.bmp"));
        QCOMPARE(bitmapFileName("/d/plot."), std::string("/d/plot.bmp"));
        // A full stop in a folder name is not the file's extension.
        QCOMPARE(bitmapFileName("/d/run.v2/plot"), std::string("/d/run.v2/plot.bmp"));
    }

    void newWindowBitmapSize_is690x399() { QCOMPARE(newWindowBitmapSize(), std::make_pair(690, 399)); }

    void savedBitmap_readsBackExactly() {
        auto session = fiveSamples();
        session->desktop.popColor[1] = kColorRed;
        session->desktop.popColor[2] = kColorBlue;
        session->desktop.popColor[3] = kColorPink;
        session->desktop.popColor[4] = kColorGreen;
        session->desktop.popColor[5] = 0;
        const auto [width, height] = newWindowBitmapSize();
        const QImage rendered = renderPlot(*session, 1, 2, width, height, nullptr);

        zeltric::test::TempDir dir;
        std::string written;
        std::string error;
        QVERIFY(savePlotBmp(rendered, dir.file("plot.BMP"), &written, &error));
        QCOMPARE(written, dir.file("plot.bmp"));
        QVERIFY(!QFile::exists(QString::fromStdString(dir.file("plot.BMP"))));

        QImage image(QString::fromStdString(written), "BMP");
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(690, 399));
        image = image.convertToFormat(QImage::Format_RGB32);

        // White margins, frame 10 pixels inside (right and bottom exclusive).
        QCOMPARE(image.pixel(5, 5), kWhite);
        QCOMPARE(image.pixel(684, 393), kWhite);
        QCOMPARE(image.pixel(20, 20), kWhite);
        for (const QPoint p : {QPoint(10, 10), QPoint(679, 388), QPoint(10, 100), QPoint(679, 100),
                               QPoint(100, 10), QPoint(100, 388)})
            QCOMPARE(image.pixel(p), kBlack);
        QCOMPARE(image.pixel(9, 100), kWhite);
        QCOMPARE(image.pixel(680, 100), kWhite);
        QCOMPARE(image.pixel(100, 389), kWhite);
        QCOMPARE(image.pixel(11, 100), kWhite);

        // Axes from edge to edge through the centre (345, 199).
        for (const QPoint p : {QPoint(0, 199), QPoint(689, 199), QPoint(345, 0), QPoint(345, 398),
                               QPoint(100, 199), QPoint(345, 100)})
            QCOMPARE(image.pixel(p), kBlack);
        QCOMPARE(image.pixel(0, 198), kWhite);
        QCOMPARE(image.pixel(344, 0), kWhite);

        // Only black, white and the four colours: text is drawn crisp.
        const std::set<QRgb> allowed = {
            kWhite, kBlack, rgbOf(kColorRed), rgbOf(kColorBlue), rgbOf(kColorPink), rgbOf(kColorGreen)};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QVERIFY2(allowed.count(image.pixel(x, y)) == 1,
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));

        // Each sample's colour inside its text cell at its anchor.
        const PlotLayout layout = layoutPlot(*session, 1, 2, width, height);
        const QFont font = plotDefaultFont();
        for (const PlotText& mark : layout.samples) {
            const QRect cell = textCell(mark, font);
            const QRgb colour = rgbOf(session->desktop.popColor[static_cast<std::size_t>(mark.sample)]);
            QVERIFY2(countColour(image, cell, colour) > 0, mark.text.c_str());
        }
        QCOMPARE(layout.samples[0].left, 25);  // the sample farthest left

        // Sample 3 at the origin is written over the "0" and the axes,
        // background included: its cell holds only white and pink.
        const QRect originCell = textCell(layout.samples[2], font);
        QCOMPARE(countColour(image, originCell, kBlack), 0);
        QCOMPARE(countColour(image, originCell, kWhite) + countColour(image, originCell, rgbOf(kColorPink)),
                 originCell.width() * originCell.height());
    }

    void blackSamplesAreDarkAtTheirAnchors() {
        auto session = fiveSamples();
        session->settings.useLabels = true;
        const QImage image = renderPlot(*session, 2, 3, 500, 300, nullptr);
        const PlotLayout layout = layoutPlot(*session, 2, 3, 500, 300);
        QCOMPARE(layout.samples[3].text, std::string("Garonne"));
        for (const PlotText& mark : layout.samples) {
            // Leave out the axis lines that might cross the cell's edge.
            const QRect cell = textCell(mark, plotDefaultFont()).intersected(image.rect());
            int dark = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (x != 250 && y != 150 && image.pixel(x, y) == kBlack) ++dark;
            QVERIFY2(dark > 0, mark.text.c_str());
        }
    }

    void saveReplacesAnExistingFile_andReportsAFolderThatIsMissing() {
        auto session = fiveSamples();
        const QImage image = renderPlot(*session, 1, 2, 200, 120, nullptr);
        zeltric::test::TempDir dir;
        zeltric::test::writeFile(dir.file("old.bmp"), "not a bitmap");
        QVERIFY(savePlotBmp(image, dir.file("old.bmp"), nullptr, nullptr));
        QCOMPARE(QImage(QString::fromStdString(dir.file("old.bmp"))).size(), QSize(200, 120));

        std::string error;
        const std::string missing = dir.file("no-such-folder/plot");
        QVERIFY(!savePlotBmp(image, missing, nullptr, &error));
        QVERIFY2(error.find(missing + ".bmp") != std::string::npos, error.c_str());
    }

    void tinyOrEmptyBitmaps() {
        auto session = fiveSamples();
        const QImage tiny = renderPlot(*session, 1, 2, 40, 40, nullptr);
        QCOMPARE(tiny.size(), QSize(40, 40));
        QCOMPARE(countColour(tiny, tiny.rect(), kWhite), 40 * 40);
        QVERIFY(renderPlot(*session, 1, 2, 0, 10, nullptr).isNull());
        std::string error;
        QVERIFY(!savePlotBmp(QImage(), "/tmp/never-written", nullptr, &error));
        QVERIFY(!error.empty());
    }

    // ---- The window ----

    void launch_setsRangesColoursAndDraws() {
        auto session = fiveSamples();
        session->desktop.popColor[1] = kColorRed;  // left from an earlier window
        Launched run(std::move(session));
        PlotWindow* w = run.window;
        QVERIFY(w->isVisible());
        QVERIFY(run.session->desktop.graphShown);
        QCOMPARE(run.session->desktop.popColor[1], 0);
        QCOMPARE(w->windowTitle(), QStringLiteral("Ordination of samples"));

        auto* x = control<QSpinBox>(w, "SpinEdit1");
        auto* y = control<QSpinBox>(w, "SpinEdit2");
        QCOMPARE(x->minimum(), 1);
        QCOMPARE(x->maximum(), 3);  // m = min(5, 9) = 5
        QCOMPARE(y->minimum(), 2);
        QCOMPARE(y->maximum(), 4);
        QCOMPARE(x->value(), 1);
        QCOMPARE(y->value(), 2);
        QCOMPARE(control<QLabel>(w, "Label1")->text(), QStringLiteral("X"));
        QCOMPARE(control<QLabel>(w, "Label2")->text(), QStringLiteral("Y"));
        QCOMPARE(control<QAction>(w, "SaveAs1")->text(), QStringLiteral("Save &As"));
        QCOMPARE(control<QAction>(w, "Print1")->text(), QStringLiteral("&Print"));
        QCOMPARE(control<QAction>(w, "Exit1")->text(), QStringLiteral("E&xit"));
        QCOMPARE(control<QAction>(w, "Color1")->text(), QStringLiteral("&Color"));
        QCOMPARE(control<QAction>(w, "mFont1")->text(), QStringLiteral("Font"));
        QVERIFY(!control<QAction>(w, "mFont1")->isChecked());
        control<QWidget>(w, "Panel1");
        control<QWidget>(w, "Panel2");

        // A new window's picture has the batch front end's size.
        const auto [width, height] = newWindowBitmapSize();
        QCOMPARE(control<QWidget>(w, "Image1")->size(), QSize(width, height));
        QCOMPARE(w->picture(), renderPlot(*run.session, 1, 2, width, height, nullptr));

        const QString expected =
            QStringLiteral("%Inertia . 1 :40.00    ; 2: 20.00\n     Fst . 1 :0.100    ; 2: 0.050");
        QCOMPARE(control<QLabel>(w, "descript")->text(), expected);
        QCOMPARE(w->description(), describeAxes(*run.session, 1, 2, false));
        QVERIFY(control<QLabel>(w, "descript")->font().bold());
    }

    void axisChoosers_redrawAndRejectTyping() {
        Launched run(fiveSamples());
        auto* y = control<QSpinBox>(run.window, "SpinEdit2");
        const QImage before = run.window->picture();
        y->setValue(3);
        QCOMPARE(run.window->description(), describeAxes(*run.session, 1, 3, false));
        QCOMPARE(run.window->picture(), renderPlot(*run.session, 1, 3, 690, 399, nullptr));
        QVERIFY(run.window->picture() != before);

        y->setFocus();
        QTest::keyClick(y, Qt::Key_End);
        QTest::keyClicks(y, "4");
        QCOMPARE(y->value(), 3);
        y->stepUp();
        QCOMPARE(y->value(), 4);
        y->stepUp();
        QCOMPARE(y->value(), 4);  // stays within the range set at launch
    }

    void testingAndLabelMarksShowAtTheNextRedraw() {
        Launched run(fiveSamples());
        run.session->settings.testingOn = true;
        run.session->settings.useLabels = true;
        run.window->redraw(1, 2);
        QCOMPARE(run.window->description(), describeAxes(*run.session, 1, 2, true));
        QVERIFY(run.window->description().find("(p=0.010)") != std::string::npos);
        QCOMPARE(run.window->picture(), renderPlot(*run.session, 1, 2, 690, 399, nullptr));
    }

    void resize_followsTheRule() {
        Launched run(fiveSamples());
        run.window->resize(800, 600);
        QTRY_COMPARE(control<QWidget>(run.window, "Image1")->size(), QSize(798, 600 - 41 - 60 - 2));
        QCOMPARE(run.window->picture().size(), QSize(798, 497));
    }

    void colourAssignment_exactColoursInThePicture() {
        Launched run(fiveSamples());
        QStringList lines;
        run.answerColours([&lines](QDialog& dialog) {
            auto* list = control<QListWidget>(&dialog, "ListBox1");
            for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
            QCOMPARE(control<QPushButton>(&dialog, "bYellow")->text(), QStringLiteral("Pink"));
            QCOMPARE(control<QPushButton>(&dialog, "bRed")->palette().color(QPalette::ButtonText),
                     QColor(255, 0, 0));
            QCOMPARE(control<QPushButton>(&dialog, "bYellow")->palette().color(QPalette::ButtonText),
                     QColor(255, 0, 255));
            selectOnly(&dialog, {0});
            click(&dialog, "bRed");
            selectOnly(&dialog, {1});
            click(&dialog, "bGreen");
            selectOnly(&dialog, {3, 4});
            click(&dialog, "bRed");
            click(&dialog, "bBlue");  // the last click wins
            click(&dialog, "Button5");
        });
        control<QAction>(run.window, "Color1")->trigger();

        QCOMPARE(lines, QStringList({"1. Loire", "2. Rhone", "3. Seine", "4. Garonne", "5. Somme"}));
        const auto& colours = run.session->desktop.popColor;
        QCOMPARE(colours[1], kColorRed);
        QCOMPARE(colours[2], kColorGreen);
        QCOMPARE(colours[3], 0);
        QCOMPARE(colours[4], kColorBlue);
        QCOMPARE(colours[5], kColorBlue);

        const QImage picture = run.window->picture();
        const PlotLayout layout = layoutPlot(*run.session, 1, 2, 690, 399);
        const QFont font = plotDefaultFont();
        QVERIFY(countColour(picture, textCell(layout.samples[0], font), qRgb(255, 0, 0)) > 0);
        QVERIFY(countColour(picture, textCell(layout.samples[1], font), qRgb(0, 255, 0)) > 0);
        QVERIFY(countColour(picture, textCell(layout.samples[3], font), qRgb(0, 0, 255)) > 0);
        QVERIFY(countColour(picture, textCell(layout.samples[4], font), qRgb(0, 0, 255)) > 0);
        QCOMPARE(countColour(picture, picture.rect(), qRgb(255, 0, 255)), 0);
    }

    void colourCommand_startsFromBlackEachTime() {
        Launched run(fiveSamples());
        run.session->desktop.popColor[2] = kColorPink;
        // Closed without a click: every sample black again.
        run.answerColours([](QDialog& dialog) { click(&dialog, "Button5"); });
        control<QAction>(run.window, "Color1")->trigger();
        QCOMPARE(run.session->desktop.popColor[2], 0);

        // A click without a selected line changes nothing; closing by the
        // frame keeps what was clicked.
        run.answerColours([](QDialog& dialog) {
            control<QListWidget>(&dialog, "ListBox1")->clearSelection();
            click(&dialog, "bGreen");
            selectOnly(&dialog, {4});
            click(&dialog, "bYellow");
            dialog.close();
        });
        control<QAction>(run.window, "Color1")->trigger();
        for (int s = 1; s <= 4; ++s) QCOMPARE(run.session->desktop.popColor[static_cast<std::size_t>(s)], 0);
        QCOMPARE(run.session->desktop.popColor[5], kColorPink);
        const PlotLayout layout = layoutPlot(*run.session, 1, 2, 690, 399);
        QVERIFY(countColour(run.window->picture(), textCell(layout.samples[4], plotDefaultFont()),
                            qRgb(255, 0, 255)) > 0);
    }

    void font_confirmedOrCancelled() {
        Launched run(fiveSamples());
        QAction* mFont1 = control<QAction>(run.window, "mFont1");
        const QImage original = run.window->picture();

        run.window->dialogs().setNextFont(std::nullopt);
        mFont1->trigger();
        QVERIFY(!mFont1->isChecked());
        QVERIFY(!run.window->plotFont().has_value());
        QCOMPARE(run.window->picture(), original);

        QFont big(QStringLiteral("DejaVu Serif"));
        big.setPixelSize(24);
        big.setBold(true);
        run.window->dialogs().setNextFont(big);
        mFont1->trigger();
        QVERIFY(mFont1->isChecked());
        QCOMPARE(run.window->picture(), renderPlot(*run.session, 1, 2, 690, 399, &big));
        QVERIFY(run.window->picture() != original);

        // Cancelling later keeps the chosen font and its mark.
        run.window->dialogs().setNextFont(std::nullopt);
        mFont1->trigger();
        QVERIFY(mFont1->isChecked());
        QCOMPARE(run.window->picture(), renderPlot(*run.session, 1, 2, 690, 399, &big));
    }

    void saveAs_writesThePictureUnderTheBmpName() {
        Launched run(fiveSamples());
        zeltric::test::TempDir dir;
        run.window->dialogs().setNextFileName(QString::fromStdString(dir.file("ordination.txt")));
        control<QAction>(run.window, "SaveAs1")->trigger();
        const QImage saved(QString::fromStdString(dir.file("ordination.bmp")));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 run.window->picture().convertToFormat(QImage::Format_RGB32));

        run.window->dialogs().setNextFileName(std::nullopt);  // cancelled: nothing written
        control<QAction>(run.window, "SaveAs1")->trigger();
        QCOMPARE(QDir(QString::fromStdString(dir.path().string())).entryList(QDir::Files).size(), 1);

        const QStringList& errors = run.window->dialogs().errors;
        run.window->dialogs().setNextFileName(QString::fromStdString(dir.file("missing/ordination")));
        control<QAction>(run.window, "SaveAs1")->trigger();
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].contains(QStringLiteral("missing/ordination.bmp")));
        QVERIFY(run.window->isVisible());
    }

    void frameCloseHides_exitItemClosesForGood() {
        Launched run(fiveSamples());
        run.window->close();
        QVERIFY(!run.window->isVisible());
        QVERIFY(run.session->desktop.graphShown);

        run.window->show();
        run.window->dialogs().setNextFont(QFont(QStringLiteral("DejaVu Sans")));
        control<QAction>(run.window, "mFont1")->trigger();
        QVERIFY(control<QAction>(run.window, "mFont1")->isChecked());
        control<QAction>(run.window, "Exit1")->trigger();
        QVERIFY(!control<QAction>(run.window, "mFont1")->isChecked());
        QVERIFY(!run.window->isVisible());
        QVERIFY(!run.session->desktop.graphShown);
    }

    void releaseRun_destroysWindowAndTables() {
        auto session = fiveSamples();
        session->results.analysed.genotypeColumns.resize(3);
        session->results.analysed.counts.allocate(5, 3);
        session->settings.testingOn = true;
        session->desktop.goEnabled = true;
        PlotWindow* window = launchGraph(*session);
        QPointer<PlotWindow> watch(window);
        releaseRun(*session, window);
        QVERIFY(window == nullptr);
        QVERIFY(watch.isNull());
        QVERIFY(!session->results.analysed.counts.allocated());
        QCOMPARE(session->results.analysed.genotypeColumns.loci(), 0);
        QVERIFY(!session->settings.testingOn);
        QVERIFY(!session->desktop.goEnabled);
        QVERIFY(!session->desktop.graphShown);
    }

    void fewerThanThreeAxes_noteInsteadOfAPlot() {
        auto session = fiveSamples();
        session->results.analysed.np = 2;
        Launched run(std::move(session));
        QVERIFY(run.window->isVisible());
        QVERIFY(!control<QSpinBox>(run.window, "SpinEdit1")->isEnabled());
        QVERIFY(!control<QSpinBox>(run.window, "SpinEdit2")->isEnabled());
        QVERIFY(run.window->description().empty());
        const QImage picture = run.window->picture();
        QCOMPARE(picture.pixel(0, 199), kWhite);  // no axes
        QCOMPARE(picture.pixel(345, 398), kWhite);
        QVERIFY(countColour(picture, QRect(10, 10, 670, 40), kBlack) > 0);  // the note
        // The window keeps working.
        run.answerColours([](QDialog& dialog) {
            selectOnly(&dialog, {1});
            click(&dialog, "bRed");
            click(&dialog, "Button5");
        });
        control<QAction>(run.window, "Color1")->trigger();
        QCOMPARE(run.session->desktop.popColor[2], kColorRed);
        run.window->resize(500, 400);
        QTRY_COMPARE(run.window->picture().width(), 498);
    }
};

QTEST_MAIN(TestPlotWindow)
#include "plot_window_test.moc"
