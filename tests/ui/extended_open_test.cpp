// File > Open of files only the extended analysis reads: the population map
// beside a VCF or asked for, a refusal that leaves the program running, a
// foreign file past the data file's limits, and the plot, colours and figure
// of more samples than a data file holds.
#include <QAction>
#include <QFileDialog>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <string>

#include "desktop_fixture.hpp"
#include "run/extended_step.hpp"
#include "test_support.hpp"
#include "ui/main_window.hpp"
#include "ui/plot_layout.hpp"
#include "ui/plot_window.hpp"

using zeltric::test::control;

using namespace zeltric;

namespace {

using Fixture = test::DesktopFixture;

const char* kHeader =
    "##fileformat=VCFv4.2\n##contig=<ID=1>\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";

// Four individuals a, b, c, d at three SNPs.
std::string smallVcf() {
    std::string text = std::string(kHeader) + "\ta\tb\tc\td\n";
    text += "1\t10\tsnp1\tA\tG\t.\tPASS\t.\tGT\t0/0\t0/1\t1/1\t1/1\n";
    text += "1\t20\tsnp2\tC\tT\t.\tPASS\t.\tGT\t0/1\t0/0\t0/1\t1/1\n";
    text += "1\t30\tsnp3\tG\tA\t.\tPASS\t.\tGT\t0/0\t./.\t1/1\t0/1\n";
    return text;
}

// `samples` samples of one individual each at four SNPs whose frequencies
// differ from sample to sample.
std::string wideVcf(int samples, std::string& popmap) {
    std::string text = kHeader;
    for (int s = 1; s <= samples; ++s) {
        text += "\ti" + std::to_string(s);
        popmap += "i" + std::to_string(s) + " S" + std::to_string(s) + "\n";
    }
    text += "\n";
    for (int l = 1; l <= 4; ++l) {
        text += "1\t" + std::to_string(l * 10) + "\tm" + std::to_string(l) + "\tA\tG\t.\tPASS\t.\tGT";
        for (int s = 1; s <= samples; ++s) {
            const int code = (s * (l + 2) + s / (l + 1)) % 3;
            text += code == 0 ? "\t0/0" : code == 1 ? "\t0/1" : "\t1/1";
        }
        text += "\n";
    }
    return text;
}

void openFile(Fixture& f, const std::string& path) {
    f.window().dialogs().setNextFileName(QString::fromStdString(path));
    control<QAction>(f.window(), "mfopen")->trigger();
}

}  // namespace

class TestExtendedOpen : public QObject {
    Q_OBJECT
private slots:
    void vcfWithItsMapBesideOpensAndGoRunsTheExtendedAnalysis() {
        Fixture f;
        const std::string path = f.writeData("panel.vcf", smallVcf().c_str());
        f.writeData("panel.popmap", "# individual sample\na north\nb north\nc south\nd south\n");
        f.writeData("popmap.txt", "a one\nb two\nc three\nd four\n");  // NAME.popmap comes first
        openFile(f, path);
        QCOMPARE(f.window().dialogs().fileDialogsShown, 1);  // no map asked for
        QVERIFY(f.session.settings.fileOpen);
        QVERIFY(f.session.settings.extended != nullptr);
        QCOMPARE(f.session.settings.extended->data.sampleNames, (std::vector<std::string>{"north", "south"}));
        QCOMPARE(f.session.settings.extended->popmapFile, std::optional<std::string>(f.dir.file("panel.popmap")));
        QVERIFY(f.window()
                    .dialogs()
                    .informations.join(QLatin1Char(' '))
                    .contains(QStringLiteral("goes to the extended analysis")));
        // Labels and selections are a data file's: greyed.
        QVERIFY(!control<QAction>(f.window(), "mLabelfile")->isEnabled());
        QVERIFY(!control<QAction>(f.window(), "mPopstouse1")->isEnabled());
        QVERIFY(control<QAction>(f.window(), "mGo")->isEnabled());

        f.session.settings.testingOn = true;  // as the check mark leaves it
        control<QAction>(f.window(), "mGo")->trigger();
        QVERIFY(f.endCodes.empty());
        QVERIFY(f.window().dialogs().errors.isEmpty());
        QVERIFY(f.session.results.runDone);
        QVERIFY(f.session.results.extended != nullptr);
        QVERIFY(
            f.window().dialogs().informations.last().contains(QStringLiteral("not available with the extended")));
        QVERIFY(std::filesystem::exists(f.dir.file("panel.pca")));
        QVERIFY(std::filesystem::exists(f.dir.file("panel.json")));
        QVERIFY(test::readFile(f.dir.file("panel.pca")).find("Global Fst") != std::string::npos);
        // Two samples: no pair of axes, the plot window says so.
        QVERIFY(f.window().graph() != nullptr);
        QCOMPARE(ui::layoutPlot(f.session, 1, 2, 300, 200).kind, ui::PlotLayout::Kind::NoAxisPair);

        // The exact analysis's open step forgets the extended file.
        openFile(f, f.writeData());
        QVERIFY(f.session.settings.extended == nullptr);
        QVERIFY(control<QAction>(f.window(), "mLabelfile")->isEnabled());
    }

    void vcfWithoutAMapAsksForOneAndCancelOpensNothing() {
        Fixture f;
        const std::string path = f.writeData("calls.vcf", smallVcf().c_str());
        const std::string map = f.writeData("samples.tsv", "a x\nb x\nc y\nd z\n");
        f.window().dialogs().setNextFileName(QString::fromStdString(path));
        f.window().dialogs().setNextFileName(QString::fromStdString(map));
        control<QAction>(f.window(), "mfopen")->trigger();
        QCOMPARE(f.window().dialogs().fileDialogsShown, 2);
        QVERIFY(f.session.settings.extended != nullptr);
        QCOMPARE(f.session.settings.extended->data.samples(), std::size_t{3});
        QCOMPARE(f.session.settings.extended->popmapFile, std::optional<std::string>(map));

        // A second open whose map dialog is cancelled leaves the first file open.
        f.window().dialogs().setNextFileName(QString::fromStdString(path));
        f.window().dialogs().setNextFileName(std::nullopt);
        control<QAction>(f.window(), "mfopen")->trigger();
        QCOMPARE(f.window().dialogs().fileDialogsShown, 4);
        QCOMPARE(f.session.settings.extended->popmapFile, std::optional<std::string>(map));
        QVERIFY(f.window().dialogs().errors.isEmpty());
        QVERIFY(f.endCodes.empty());
    }

    void aRefusedFileIsNamedInAnErrorBoxAndTheProgramGoesOn() {
        Fixture f;
        std::string text = smallVcf();
        text += "1\t40\tsnp4\tA\tC\t.\tPASS\t.\tGT\t0\t0/1\t1/1\t0/0\n";  // a haploid call
        const std::string path = f.writeData("haploid.vcf", text.c_str());
        f.writeData("haploid.popmap", "a p\nb p\nc q\nd q\n");
        openFile(f, path);
        QVERIFY(f.endCodes.empty());
        QVERIFY(!f.session.settings.fileOpen);
        QVERIFY(!control<QAction>(f.window(), "mGo")->isEnabled());
        QCOMPARE(f.window().dialogs().errors.size(), 1);
        const QString error = f.window().dialogs().errors.front();
        QVERIFY2(
            error.contains(QString::fromStdString(path)) && error.contains(QStringLiteral("\"a\" has a haploid")),
            qPrintable(error));
        QVERIFY(control<QAction>(f.window(), "mfopen")->isEnabled());
    }

    void genepopPastTheLimitsGoesToTheExtendedAnalysis() {
        Fixture f;
        std::string text = "title\n";
        for (int l = 1; l <= 51; ++l) text += "L" + std::to_string(l) + "\n";
        for (int s = 0; s < 3; ++s) {
            text += "pop\n";
            for (int i = 0; i < 2; ++i) {
                text += "p" + std::to_string(s) + "i" + std::to_string(i) + " ,";
                for (int l = 1; l <= 51; ++l) text += (l + s + i) % 2 ? " 100102" : " 102102";
                text += "\n";
            }
        }
        const std::string path = f.writeData("wide.gen", text.c_str());
        openFile(f, path);
        QVERIFY(f.endCodes.empty());
        QVERIFY(f.session.settings.extended != nullptr);
        QCOMPARE(f.session.settings.extended->data.loci(), std::size_t{51});
        QVERIFY(!std::filesystem::exists(path + "-genepop.dat"));  // not converted
        QVERIFY(f.window()
                    .dialogs()
                    .informations.join(QLatin1Char(' '))
                    .contains(QStringLiteral("past the data file's limits")));
    }

    void morePlottedSamplesThanADataFileHolds() {
        Fixture f;
        std::string popmap;
        const std::string path = f.writeData("wide.vcf", wideVcf(510, popmap).c_str());
        f.writeData("wide.popmap", popmap.c_str());
        openFile(f, path);
        control<QAction>(f.window(), "mGo")->trigger();
        QVERIFY(f.window().dialogs().errors.isEmpty());
        ui::PlotWindow* graph = f.window().graph();
        QVERIFY(graph != nullptr);
        const ui::PlotLayout layout = ui::layoutPlot(f.session, 1, 2, 690, 400);
        QCOMPARE(layout.kind, ui::PlotLayout::Kind::Plot);
        QCOMPARE(layout.samples.size(), std::size_t{510});
        QCOMPARE(layout.samples.back().text, std::string("S510"));
        QVERIFY(!graph->picture().isNull());
        QVERIFY(graph->description().find("%Inertia . 1 :") == 0);
        QVERIFY(f.session.desktop.popColor.size() > 510);

        // Axes past the dimension are none; the last one is drawn.
        const int axes = ui::plotAxisCount(f.session);
        QCOMPARE(axes, static_cast<int>(f.session.results.extended->result.dimension) - 1);
        QCOMPARE(ui::layoutPlot(f.session, axes - 1, axes, 690, 400).kind, ui::PlotLayout::Kind::Plot);
        QVERIFY(ui::describeAxes(f.session, 1, axes + 1).empty());

        const std::string figure = f.dir.file("wide-figure.svg");
        graph->dialogs().setRecordMessages(true);
        graph->dialogs().setNextFileName(QString::fromStdString(figure));
        control<QAction>(*graph, "ExportFigure1")->trigger();
        QVERIFY(graph->dialogs().errors.isEmpty());
        const std::string svg = test::readFile(figure);
        // A marker for each sample; the labels with no room near theirs are counted in the note.
        std::size_t markers = 0;
        for (std::size_t at = svg.find("<circle"); at != std::string::npos; at = svg.find("<circle", at + 1))
            ++markers;
        QCOMPARE(markers, std::size_t{510});
        QVERIFY(svg.find("sample labels were left out") != std::string::npos);
        QVERIFY(svg.find("Axis 1 (") != std::string::npos);

        // File > Export tables: a row for each sample.
        control<QAction>(f.window(), "mExportTables")->trigger();
        QVERIFY(f.window().dialogs().errors.isEmpty());
        const std::string samples = test::readFile(f.dir.file("wide-samples.csv"));
        QCOMPARE(std::count(samples.begin(), samples.end(), '\n'), 511L);
        QVERIFY(samples.find("\r\n510,S510,1,1,") != std::string::npos);
    }
};

QTEST_MAIN(TestExtendedOpen)
#include "extended_open_test.moc"
