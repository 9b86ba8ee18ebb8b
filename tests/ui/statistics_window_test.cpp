// Options > Statistics on the offscreen platform: the window's tables and
// heat map against zeltric-cli's --statistics files, the pairwise test with
// its progress and Cancel, and the main window held while the test runs.

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <filesystem>

#include "base/csv_text.hpp"
#include "desktop_fixture.hpp"
#include "test_support.hpp"
#include "ui/main_window.hpp"
#include "ui/statistics_window.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

using namespace zeltric;

namespace {

struct Fixture : test::DesktopFixture {
    // trout.dat and trout.lab in the fixture's folder, opened with the
    // labels and analysed; returns the data file's path.
    std::string goTrout() {
        for (const char* name : {"trout.dat", "trout.lab"})
            std::filesystem::copy_file(test::goldenPath(std::string("cli/inputs/") + name), dir.file(name));
        open(dir.file("trout.dat"));
        window().dialogs().setNextFileName(QString::fromStdString(dir.file("trout.lab")));
        control<QAction>(window(), "mLabelfile")->trigger();
        control<QAction>(window(), "mGo")->trigger();
        return dir.file("trout.dat");
    }

    ui::StatisticsWindow& statistics() {
        control<QAction>(window(), "mStatistics")->trigger();
        ui::StatisticsWindow* shown = window().statisticsWindow();
        if (shown == nullptr) qFatal("Options > Statistics showed no window");
        shown->dialogs().setRecordMessages(true);
        return *shown;
    }

    static void startTest(ui::StatisticsWindow& s, int randomisations, int seed1, int seed2) {
        control<QSpinBox>(s, "pairwiseRandomisations")->setValue(randomisations);
        control<QSpinBox>(s, "pairwiseSeed1")->setValue(seed1);
        control<QSpinBox>(s, "pairwiseSeed2")->setValue(seed2);
        control<QPushButton>(s, "pairwiseRun")->click();
    }
};

// The column `title` of a table widget, top to bottom.
QStringList column(const QTableWidget& table, const QString& title) {
    int at = -1;
    for (int c = 0; c < table.columnCount(); ++c)
        if (table.horizontalHeaderItem(c)->text() == title) at = c;
    if (at < 0) qFatal("no column %s", qPrintable(title));
    QStringList cells;
    for (int r = 0; r < table.rowCount(); ++r)
        cells << (table.item(r, at) != nullptr ? table.item(r, at)->text() : QString());
    return cells;
}

bool allEmpty(const QStringList& cells) {
    return std::all_of(cells.begin(), cells.end(), [](const QString& cell) { return cell.isEmpty(); });
}

}  // namespace

class TestStatisticsWindow : public QObject {
    Q_OBJECT

private slots:
    void menu_onlyAfterAGoStep() {
        Fixture f;
        ui::MainWindow& w = f.window();
        QAction* item = control<QAction>(w, "mStatistics");
        QCOMPARE(item->text(), QStringLiteral("&Statistics"));
        QCOMPARE(control<QMenu>(w, "moptions")->actions().last(), item);
        f.open(f.writeData());
        QVERIFY(!item->isEnabled());
        item->trigger();
        QVERIFY(w.statisticsWindow() == nullptr);
        control<QAction>(w, "mGo")->trigger();
        QVERIFY(item->isEnabled());
        QVERIFY(f.statistics().isVisible());
        // Another go step: the window of the old run goes.
        control<QAction>(w, "mGo")->trigger();
        QVERIFY(w.statisticsWindow() == nullptr);
    }

    // The window's tables, exported, and its heat map are zeltric-cli's bytes
    // for the same data, labels and test.
    void tablesAndFigure_zeltricCliBytes() {
        Fixture f;
        f.goTrout();
        ui::StatisticsWindow& s = f.statistics();
        auto* pairwise = control<QTableWidget>(s, "pairwiseTable");
        auto* samples = control<QTableWidget>(s, "samplesTable");
        const int n = samples->rowCount();
        QVERIFY(n > 2);
        QCOMPARE(pairwise->rowCount(), n * (n - 1) / 2);
        QVERIFY(allEmpty(column(*pairwise, QStringLiteral("P"))));
        QVERIFY(control<QLabel>(s, "pairwiseNote")->text().contains(QStringLiteral("No pairwise test")));
        QVERIFY(!control<QLabel>(s, "heatMap")->pixmap().isNull());
        // The names are the labels' and the figures the files' digits.
        const test::TempDir cliDir;
        for (const char* name : {"trout.dat", "trout.lab"})
            std::filesystem::copy_file(f.dir.file(name), cliDir.file(name));
        const test::ProcessResult plain = test::runCli("--quiet --statistics --threads 1 --labels " +
                                                       test::shellQuote(cliDir.file("trout.lab")) + " " +
                                                       test::shellQuote(cliDir.file("trout.dat")));
        QCOMPARE(plain.exitCode, 0);
        QCOMPARE(s.pairwiseText(), test::readFile(cliDir.file("trout-pairwise.csv")));
        std::string firstLabel = test::readFile(cliDir.file("trout.lab"));
        firstLabel = firstLabel.substr(0, firstLabel.find_first_of("\r\n"));
        while (!firstLabel.empty() && firstLabel.back() == ' ') firstLabel.pop_back();
        QCOMPARE(column(*samples, QStringLiteral("sample")).first().toStdString(), firstLabel);

        Fixture::startTest(s, 200, 5, 7);
        QVERIFY(!allEmpty(column(*pairwise, QStringLiteral("Holm_P"))));
        QVERIFY(
            control<QLabel>(s, "pairwiseNote")->text().contains(QStringLiteral("200 randomisations, seeds 5,7")));
        control<QPushButton>(s, "exportStatisticsTables")->click();
        QVERIFY(s.dialogs().errors.isEmpty());
        QVERIFY(
            s.dialogs().informations.last().contains(QString::fromStdString(f.dir.file("trout-pairwise.csv"))));
        s.dialogs().setNextFileName(QString::fromStdString(f.dir.file("theta.svg")));
        control<QPushButton>(s, "exportHeatMap")->click();
        s.dialogs().setNextFileName(QString::fromStdString(f.dir.file("theta.png")));
        control<QPushButton>(s, "exportHeatMap")->click();
        QVERIFY(s.dialogs().errors.isEmpty());
        // Never over the data, the labels or the results.
        const std::string data = test::readFile(f.dir.file("trout.dat"));
        for (const char* kept : {"trout.dat", "trout.lab", "trout.pca"}) {
            s.dialogs().setNextFileName(QString::fromStdString(f.dir.file(kept)));
            control<QPushButton>(s, "exportHeatMap")->click();
            QVERIFY2(s.dialogs().errors.last().contains(QString::fromLatin1(kept)), kept);
        }
        QCOMPARE(s.dialogs().errors.size(), 3);
        QVERIFY(test::readFile(f.dir.file("trout.dat")) == data);

        const test::ProcessResult tested = test::runCli(
            "--quiet --statistics --pairwise-test 200 --pairwise-seeds 5,7 --threads 2 --pairwise-figure " +
            test::shellQuote(cliDir.file("theta.svg")) + " --labels " +
            test::shellQuote(cliDir.file("trout.lab")) + " " + test::shellQuote(cliDir.file("trout.dat")));
        QCOMPARE(tested.exitCode, 0);
        for (const char* table : {"trout-loci.csv", "trout-pairwise.csv", "trout-sample-diversity.csv"})
            QVERIFY2(test::readFile(f.dir.file(table)) == test::readFile(cliDir.file(table)), table);
        QVERIFY(test::readFile(f.dir.file("theta.svg")) == test::readFile(cliDir.file("theta.svg")));
        QImage png;
        QVERIFY(png.load(QString::fromStdString(f.dir.file("theta.png")), "PNG"));
        QVERIFY(png.width() > 100);
        // The shown cells are the file's fields.
        const auto records = base::csvRecords(test::readFile(f.dir.file("trout-pairwise.csv")));
        QCOMPARE(records.size(), static_cast<std::size_t>(pairwise->rowCount()) + 1);
        QCOMPARE(column(*pairwise, QStringLiteral("Holm_P")).last().toStdString(), records.back()[4]);
        QCOMPARE(column(*pairwise, QStringLiteral("theta")).first().toStdString(), records[1][2]);
    }

    void cancel_noPValuesAndTheWindowStaysUsable() {
        Fixture f;
        f.goTrout();
        ui::MainWindow& w = f.window();
        ui::StatisticsWindow& s = f.statistics();
        bool heldDuringTest = false;
        QTimer::singleShot(0, &s, [&] {
            heldDuringTest = w.busy() && !control<QAction>(w, "mGo")->isEnabled() &&
                             !control<QAction>(w, "mfopen")->isEnabled() &&
                             !control<QPushButton>(s, "pairwiseRun")->isEnabled() &&
                             control<QWidget>(s, "progressPanel")->isVisible();
            control<QPushButton>(s, "bCancel")->click();
        });
        Fixture::startTest(s, 15000, 1, 1);
        QVERIFY(heldDuringTest);
        QVERIFY(s.shown().test && s.shown().test->cancelled);
        auto* pairwise = control<QTableWidget>(s, "pairwiseTable");
        QVERIFY(allEmpty(column(*pairwise, QStringLiteral("P"))));
        QVERIFY(allEmpty(column(*pairwise, QStringLiteral("Holm_P"))));
        QVERIFY(control<QLabel>(s, "pairwiseNote")->text().contains(QStringLiteral("cancelled")));
        QVERIFY(!control<QWidget>(s, "progressPanel")->isVisible());
        QVERIFY(s.heatMapSvg().find("<circle") == std::string::npos);
        QVERIFY(!w.busy());
        QVERIFY(control<QAction>(w, "mGo")->isEnabled());
        QVERIFY(f.endCodes.empty());

        // The cancelled table exports as zeltric-cli's untested one.
        control<QPushButton>(s, "exportStatisticsTables")->click();
        const std::string cancelled = test::readFile(f.dir.file("trout-pairwise.csv"));
        QVERIFY(cancelled.find(",,\r\n") != std::string::npos);

        // And the test runs again to the end; a test that follows a finished
        // one shows none of its P-values while it runs.
        Fixture::startTest(s, 100, 1, 1);
        QVERIFY(s.shown().test && !s.shown().test->cancelled);
        bool clearedDuringTest = false;
        QTimer::singleShot(0, &s, [&] {
            clearedDuringTest = allEmpty(column(*pairwise, QStringLiteral("P")));
            control<QPushButton>(s, "bCancel")->click();
        });
        Fixture::startTest(s, 15000, 2, 2);
        QVERIFY(clearedDuringTest);
        Fixture::startTest(s, 100, 1, 1);
        QVERIFY(s.shown().test && !s.shown().test->cancelled);
        QVERIFY(!allEmpty(column(*pairwise, QStringLiteral("P"))));
    }

    // A VCF opened for the extended analysis: the window shows what
    // zeltric-cli --statistics writes for it, the heat map in the order of
    // the extended analysis's first axis.
    void extendedRun_zeltricCliBytes() {
        Fixture f;
        std::string vcf =
            "##fileformat=VCFv4.2\n##contig=<ID=1>\n"
            "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
            "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
        std::string popmap;
        for (int i = 0; i < 12; ++i) {
            vcf += "\ti" + std::to_string(i);
            popmap += "i" + std::to_string(i) + " pop" + std::to_string(i / 3) + "\n";
        }
        vcf += "\n";
        for (int l = 0; l < 8; ++l) {
            vcf += "1\t" + std::to_string(10 * (l + 1)) + "\tsnp" + std::to_string(l) + "\tA\tG\t.\tPASS\t.\tGT";
            for (int i = 0; i < 12; ++i) {
                const int code = (i / 3 * (l + 1) + i % 3 + l) % 3;
                vcf += i == 4 && l == 2 ? "\t./." : code == 0 ? "\t0/0" : code == 1 ? "\t0/1" : "\t1/1";
            }
            vcf += "\n";
        }
        f.writeData("panel.vcf", vcf.c_str());
        f.writeData("panel.popmap", popmap.c_str());
        f.window().dialogs().setNextFileName(QString::fromStdString(f.dir.file("panel.vcf")));
        control<QAction>(f.window(), "mfopen")->trigger();
        QVERIFY(f.session.settings.extended != nullptr);
        control<QAction>(f.window(), "mGo")->trigger();
        QVERIFY(f.session.results.extended != nullptr);
        ui::StatisticsWindow& s = f.statistics();
        QCOMPARE(control<QTableWidget>(s, "samplesTable")->rowCount(), 4);

        const test::TempDir cliDir;
        for (const char* name : {"panel.vcf", "panel.popmap"})
            std::filesystem::copy_file(f.dir.file(name), cliDir.file(name));
        const test::ProcessResult cli = test::runCli(
            "--quiet --statistics --pairwise-figure " + test::shellQuote(cliDir.file("theta.svg")) + " --popmap " +
            test::shellQuote(cliDir.file("panel.popmap")) + " " + test::shellQuote(cliDir.file("panel.vcf")));
        QCOMPARE(cli.exitCode, 0);
        QVERIFY(s.lociText() == test::readFile(cliDir.file("panel-loci.csv")));
        QVERIFY(s.pairwiseText() == test::readFile(cliDir.file("panel-pairwise.csv")));
        QVERIFY(s.samplesText() == test::readFile(cliDir.file("panel-sample-diversity.csv")));
        QVERIFY(s.heatMapSvg() == test::readFile(cliDir.file("theta.svg")));
    }

    void closingTheMainWindow_cancelsTheTestThenCloses() {
        Fixture f;
        f.goTrout();
        ui::MainWindow& w = f.window();
        ui::StatisticsWindow& s = f.statistics();
        QTimer::singleShot(0, &w, [&w] { w.close(); });
        Fixture::startTest(s, 15000, 1, 1);
        QVERIFY(s.shown().test && s.shown().test->cancelled);
        QTRY_COMPARE(f.endCodes, std::vector<int>({0}));
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestStatisticsWindow)
#include "statistics_window_test.moc"
