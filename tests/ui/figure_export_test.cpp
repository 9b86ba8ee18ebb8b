// Publication figures: zeltric-cli --figure and the plot window's Export
// figure, read back as XML, PDF and PNG.

#include <QAction>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QRegularExpression>
#include <QSpinBox>
#include <QXmlStreamReader>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "figure/figure_file.hpp"
#include "run/go_step.hpp"
#include "run/label_command.hpp"
#include "run/session.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"
#include "ui/colour_dialog.hpp"
#include "ui/plot_figure.hpp"
#include "ui/plot_window.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

using namespace zeltric;

namespace {

struct SvgContent {
    bool valid = false;
    QString error;
    QStringList texts;
    int circles = 0;
    QStringList fills;
};

SvgContent readSvg(const QByteArray& bytes) {
    SvgContent content;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("circle")) {
            ++content.circles;
            content.fills << xml.attributes().value(QLatin1String("fill")).toString();
        } else if (xml.name() == QLatin1String("text")) {
            content.texts << xml.readElementText();
        }
    }
    content.valid = !xml.hasError();
    content.error = xml.errorString();
    return content;
}

QByteArray readAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

QStringList troutLabels() {
    QStringList labels;
    std::ifstream in(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.lab");
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) labels << QString::fromStdString(line);
    }
    return labels;
}

// The example copied into a fresh folder; returns the data file's path.
std::string copyExample(const test::TempDir& dir) {
    for (const char* name : {"trout.dat", "trout.lab"})
        std::filesystem::copy(std::string(ZELTRIC_SOURCE_DIR) + "/examples/" + name, dir.file(name));
    return dir.file("trout.dat");
}

bool isPdf(const QByteArray& bytes) {
    return bytes.startsWith("%PDF-1.") && bytes.trimmed().endsWith("%%EOF") && bytes.contains("/Page");
}

}  // namespace

class TestFigureExport : public QObject {
    Q_OBJECT

private slots:
    void cliSvg_holdsEveryLabelAndTheAxisTitles() {
        test::TempDir dir;
        const std::string data = copyExample(dir);
        const test::ProcessResult run = test::runCli(
            "--quiet --labels " + test::shellQuote(dir.file("trout.lab")) + " --test 100 --seeds 12345,67890 " +
            "--seed-file " + test::shellQuote(dir.file("Z.INI")) + " --figure " +
            test::shellQuote(dir.file("fig.svg")) + " " + test::shellQuote(data));
        QCOMPARE(run.exitCode, 0);
        const SvgContent svg = readSvg(readAll(dir.file("fig.svg")));
        QVERIFY2(svg.valid, qPrintable(svg.error));
        const QStringList labels = troutLabels();
        QCOMPARE(svg.circles, labels.size());
        for (const QString& label : labels) QVERIFY2(svg.texts.contains(label), qPrintable(label));
        // Both titles, with P from the finished test.
        int titles = 0;
        for (const QString& t : svg.texts)
            if (t.startsWith(QStringLiteral("Axis 1 (")) || t.startsWith(QStringLiteral("Axis 2 ("))) {
                ++titles;
                QVERIFY2(t.contains(QStringLiteral("% of inertia, Fst ")) && t.contains(QStringLiteral(", P ")),
                         qPrintable(t));
            }
        QCOMPARE(titles, 2);
        // The BMP and the other outputs are untouched by the new option.
        QVERIFY(!std::filesystem::exists(dir.file("trout.dat.bmp")));
    }

    // After a bootstrap over loci, asked with --figure-intervals, each title
    // carries its share's interval, and the interval holds the observed share
    // of inertia. Not asked, the figure holds no interval text at all.
    void cliSvg_bootstrapIntervalInTheTitlesOnlyWhenAsked() {
        test::TempDir dir;
        const std::string data = copyExample(dir);
        QCOMPARE(test::runCli("--quiet --bootstrap 200 --figure " + test::shellQuote(dir.file("plain.svg")) + " " +
                              test::shellQuote(data))
                     .exitCode,
                 0);
        const QByteArray plain = readAll(dir.file("plain.svg"));
        QVERIFY(!plain.isEmpty());
        QVERIFY(!plain.contains("interval"));
        QVERIFY(plain.contains("not Weir &amp; Cockerham"));
        QCOMPARE(test::runCli("--quiet --bootstrap 200 --figure-intervals --figure " +
                              test::shellQuote(dir.file("fig.svg")) + " " + test::shellQuote(data))
                     .exitCode,
                 0);
        const SvgContent svg = readSvg(readAll(dir.file("fig.svg")));
        QVERIFY2(svg.valid, qPrintable(svg.error));
        int titles = 0;
        const QRegularExpression title(
            QStringLiteral("^Axis \\d \\(([0-9.]+) % of inertia, .*95 % interval "
                           "([0-9.]+)\u2013([0-9.]+)"));
        for (const QString& t : svg.texts) {
            const QRegularExpressionMatch m = title.match(t);
            if (!m.hasMatch()) continue;
            ++titles;
            const double share = m.captured(1).toDouble();
            QVERIFY2(m.captured(2).toDouble() <= share + 0.05 && share - 0.05 <= m.captured(3).toDouble(),
                     qPrintable(t));
        }
        QCOMPARE(titles, 2);
    }

    void cliPdfAndPng_wellFormed() {
        test::TempDir dir;
        const std::string data = copyExample(dir);
        QCOMPARE(test::runCli("--quiet --figure " + test::shellQuote(dir.file("fig.PDF")) + " " +
                              test::shellQuote(data))
                     .exitCode,
                 0);
        QVERIFY(isPdf(readAll(dir.file("fig.PDF"))));

        QCOMPARE(test::runCli("--quiet --figure " + test::shellQuote(dir.file("fig.png")) + " " +
                              test::shellQuote(data))
                     .exitCode,
                 0);
        const QImage png(QString::fromStdString(dir.file("fig.png")), "PNG");
        QVERIFY(!png.isNull());
        QCOMPARE(png.width(), figure::kDefaultPngWidth);
        QVERIFY(png.height() > png.width() / 2 && png.height() < png.width());
        QCOMPARE(png.pixel(1, 1), qRgb(255, 255, 255));

        QCOMPARE(test::runCli("--quiet --figure-width 800 --figure " + test::shellQuote(dir.file("small.png")) +
                              " " + test::shellQuote(data))
                     .exitCode,
                 0);
        const QImage small(QString::fromStdString(dir.file("small.png")), "PNG");
        QCOMPARE(small.width(), 800);
        QCOMPARE(small.height(), qRound(800.0 * png.height() / png.width()));
        // Something is drawn: the frame and the text are dark.
        int dark = 0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                if (qGray(small.pixel(x, y)) < 96) ++dark;
        QVERIFY(dark > 2000);
    }

    void cliAxes_followAxesThenPlotThenOneAndTwo() {
        test::TempDir dir;
        const std::string data = copyExample(dir);
        const auto titles = [&](const std::string& options) {
            const test::ProcessResult run =
                test::runCli("--quiet " + options + " --figure " + test::shellQuote(dir.file("f.svg")) + " " +
                             test::shellQuote(data));
            QStringList found;
            if (run.exitCode != 0) return found;
            for (const QString& t : readSvg(readAll(dir.file("f.svg"))).texts)
                if (t.startsWith(QStringLiteral("Axis "))) found << t.left(6);
            return found;
        };
        QCOMPARE(titles(""), (QStringList{"Axis 1", "Axis 2"}));
        QCOMPARE(titles("--axes 3,1"), (QStringList{"Axis 3", "Axis 1"}));
        QCOMPARE(titles("--plot 2,3 --plot-file " + test::shellQuote(dir.file("p.bmp"))),
                 (QStringList{"Axis 2", "Axis 3"}));
        QCOMPARE(titles("--plot 2,3 --plot-file " + test::shellQuote(dir.file("p.bmp")) + " --axes 1,4"),
                 (QStringList{"Axis 1", "Axis 4"}));
    }

    void cliRefusals_nothingWritten() {
        test::TempDir dir;
        const std::string data = copyExample(dir);
        const auto exitOf = [&](const std::string& options) {
            return test::runCli("--quiet " + options + " " + test::shellQuote(data)).exitCode;
        };
        QCOMPARE(exitOf("--axes 1,2"), 2);  // needs --figure
        QCOMPARE(exitOf("--figure-width 900"), 2);
        QCOMPARE(exitOf("--figure " + test::shellQuote(dir.file("f.bmp"))), 2);
        QCOMPARE(exitOf("--figure " + test::shellQuote(dir.file("f.png")) + " --figure-width 100"), 2);
        QCOMPARE(exitOf("--figure " + test::shellQuote(dir.file("f.svg")) + " --axes 2,2"), 2);
        QCOMPARE(exitOf("--figure " + test::shellQuote(dir.file("f.svg")) + " --axes 1,99"), 2);
        QVERIFY(!std::filesystem::exists(dir.file("f.svg")));
        // Never over an input file, whatever its extension says.
        std::filesystem::copy(data, dir.file("copy.svg"));
        const test::ProcessResult run = test::runCli("--quiet --figure " + test::shellQuote(dir.file("copy.svg")) +
                                                     " " + test::shellQuote(dir.file("copy.svg")));
        // As every file of the run: refused before anything is read or written.
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.find("figure file") != std::string::npos);
        QVERIFY(run.err.find("data file") != std::string::npos);
        QCOMPARE(test::readFile(dir.file("copy.svg")), test::readFile(data));
        // A folder that does not exist: an input error naming the file.
        const test::ProcessResult missing = test::runCli(
            "--quiet --figure " + test::shellQuote(dir.file("no/f.pdf")) + " " + test::shellQuote(data));
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.find(dir.file("no/f.pdf")) != std::string::npos);
    }

    void renderer_refusesBrokenSvgAndOddWidths() {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ui::renderFigure("<svg", figure::FigureFormat::Png, 1000));
        const std::string svg =
            "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" "
            "baseProfile=\"tiny\" width=\"100pt\" height=\"50pt\" viewBox=\"0 0 100 50\"/>";
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ui::renderFigure(svg, figure::FigureFormat::Png, 10));
        const std::string png = ui::renderFigure(svg, figure::FigureFormat::Png, 400);
        const QImage image = QImage::fromData(QByteArray::fromStdString(png), "PNG");
        QCOMPARE(image.size(), QSize(400, 200));
        QVERIFY(isPdf(QByteArray::fromStdString(ui::renderFigure(svg, figure::FigureFormat::Pdf, 0))));
    }

    void window_exportFigureShowsTheWindowsAxesAndColours() {
        test::TempDir dir;
        const std::string data = copyExample(dir);
        run::Session session;
        test::RecordingInterface ui;
        run::openStep(session, ui, data);
        run::labelCommand(session, dir.file("trout.lab"));
        run::goStep(session, ui);
        ui::PlotWindow* window = ui::launchGraph(session);

        // File > Export figure comes after the original items, on Ctrl+E.
        const QList<QAction*> items = control<QMenu>(window, "File1")->actions();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items.back()->objectName(), QStringLiteral("ExportFigure1"));
        QCOMPARE(items.back()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));

        control<QSpinBox>(window, "SpinEdit1")->setValue(2);
        control<QSpinBox>(window, "SpinEdit2")->setValue(3);
        session.desktop.popColor[1] = ui::kColorRed;
        session.desktop.popColor[2] = ui::kColorBlue;
        window->dialogs().setNextFileName(QString::fromStdString(dir.file("window.svg")));
        control<QAction>(window, "ExportFigure1")->trigger();
        const SvgContent svg = readSvg(readAll(dir.file("window.svg")));
        QVERIFY(svg.valid);
        QCOMPARE(svg.fills.value(0), QStringLiteral("#ff0000"));
        QCOMPARE(svg.fills.value(1), QStringLiteral("#0000ff"));
        QCOMPARE(svg.fills.value(2), QStringLiteral("#000000"));
        QVERIFY(svg.texts.contains(troutLabels().value(0)));
        bool axis2 = false;
        bool axis3 = false;
        for (const QString& t : svg.texts) {
            axis2 = axis2 || t.startsWith(QStringLiteral("Axis 2 ("));
            axis3 = axis3 || t.startsWith(QStringLiteral("Axis 3 ("));
            QVERIFY2(!t.contains(QStringLiteral(", P ")), qPrintable(t));  // no test was run
        }
        QVERIFY(axis2 && axis3);

        QVERIFY(!readAll(dir.file("window.svg")).contains("interval"));
        // The export dialog's check box asks for the bootstrap's intervals.
        session.results.bootstrap.replicates = 100;
        for (int k = 1; k <= 3; ++k) {
            randomisation::BootstrapAxis b;
            b.axis = k;
            b.share.hasInterval = true;
            b.share.lower = 0.1;
            b.share.upper = 0.3;
            session.results.bootstrap.axes.push_back(b);
        }
        window->dialogs().setNextCheck(true);
        window->dialogs().setNextFileName(QString::fromStdString(dir.file("intervals.svg")));
        control<QAction>(window, "ExportFigure1")->trigger();
        QVERIFY(readAll(dir.file("intervals.svg")).contains("95 % interval 10.0\u201330.0"));
        session.results.bootstrap = {};

        window->dialogs().setNextFileName(QString::fromStdString(dir.file("window.png")));
        control<QAction>(window, "ExportFigure1")->trigger();
        QCOMPARE(QImage(QString::fromStdString(dir.file("window.png"))).width(), figure::kDefaultPngWidth);

        // Errors go to the error box: an unknown extension, the data file itself.
        window->dialogs().setRecordMessages(true);
        const QStringList& errors = window->dialogs().errors;
        window->dialogs().setNextFileName(QString::fromStdString(dir.file("window.gif")));
        control<QAction>(window, "ExportFigure1")->trigger();
        window->dialogs().setNextFileName(QString::fromStdString(data));
        control<QAction>(window, "ExportFigure1")->trigger();
        const std::string results = run::outputPath(session, ".pca");
        const std::string before = test::readFile(results);
        window->dialogs().setNextFileName(QString::fromStdString(results));
        control<QAction>(window, "ExportFigure1")->trigger();
        QCOMPARE(errors.size(), 3);
        QVERIFY(errors[0].contains(QStringLiteral(".svg, .pdf or .png")));
        QVERIFY(errors[1].contains(QStringLiteral("input file")));
        QVERIFY(errors[2].contains(QStringLiteral("results file")));
        QCOMPARE(test::readFile(results), before);
        QVERIFY(!std::filesystem::exists(dir.file("window.gif")));
        ui::destroyGraph(session, window);
    }
};

QTEST_MAIN(TestFigureExport)
#include "figure_export_test.moc"
