// Faults of the windows that a user met: labels chosen after Go, the label
// dialog's filter, P-values after a cancelled test, and the manual of a copy
// of the program that lies outside any installed or source tree.

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>
#include <string>

#include "desktop_fixture.hpp"
#include "test_support.hpp"
#include "ui/colour_dialog.hpp"
#include "ui/help_viewer.hpp"
#include "ui/main_window.hpp"
#include "ui/number_dialogs.hpp"
#include "ui/pick_dialogs.hpp"
#include "ui/plot_layout.hpp"
#include "ui/plot_painter.hpp"
#include "ui/plot_window.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

using namespace zeltric;
using zeltric::test::ModalScript;

namespace {

// Eight samples of two individuals at two loci, three alleles each.
const char* kEightSamples =
    "8 2 3 1\r\n"
    "locA\r\nlocB\r\n"
    "1 11 12\r\n1 12 22\r\n"
    "2 22 23\r\n2 23 33\r\n"
    "3 33 11\r\n3 13 13\r\n"
    "4 11 11\r\n4 12 13\r\n"
    "5 22 12\r\n5 33 33\r\n"
    "6 13 23\r\n6 11 22\r\n"
    "7 23 23\r\n7 12 11\r\n"
    "8 33 13\r\n8 22 12\r\n";

struct Fixture : test::DesktopFixture {
    void chooseLabels(const std::string& path) {
        window().dialogs().setNextFileName(QString::fromStdString(path));
        control<QAction>(window(), "mLabelfile")->trigger();
    }
    // "Pops to use" with the samples whose list lines are given.
    void choosePops(ModalScript& script, const QStringList& lines) {
        script.then([lines](QDialog& dialog) {
            auto& pick = static_cast<ui::SamplePickDialog&>(dialog);
            for (int row = 0; row < control<QListWidget>(pick, "ListBox1")->count(); ++row)
                control<QListWidget>(pick, "ListBox1")
                    ->item(row)
                    ->setSelected(lines.contains(control<QListWidget>(pick, "ListBox1")->item(row)->text()));
            control<QPushButton>(pick, "Button2")->click();
            control<QPushButton>(pick, "Button1")->click();
        });
        control<QAction>(window(), "mPopstouse1")->trigger();
    }
};

std::vector<std::string> plottedNames(const run::Session& session) {
    std::vector<std::string> names;
    for (const ui::PlotText& mark : ui::layoutPlot(session, 1, 2, 690, 399).samples) names.push_back(mark.text);
    return names;
}

QStringList colourLines(Fixture& f) {
    QStringList lines;
    ModalScript script;
    script.then([&lines](QDialog& dialog) {
        for (int row = 0; row < control<QListWidget>(dialog, "ListBox1")->count(); ++row)
            lines << control<QListWidget>(dialog, "ListBox1")->item(row)->text();
        control<QPushButton>(dialog, "Button5")->click();
    });
    control<QAction>(f.window().graph(), "Color1")->trigger();
    return lines;
}

}  // namespace

class TestWindowFaults : public QObject {
    Q_OBJECT

private slots:
    void labelsChosenAfterGo_renameThePlotAtItsNextRedraw() {
        Fixture f;
        f.open(f.writeData("eight.dat", kEightSamples));
        ModalScript script;
        f.choosePops(script, {"1. 1", "3. 3", "5. 5"});
        QVERIFY(script.done());
        QCOMPARE(script.unscripted, 0);
        QVERIFY(control<QAction>(f.window(), "mPopstouse1")->isChecked());
        control<QAction>(f.window(), "mGo")->trigger();
        QVERIFY(f.window().graph() != nullptr);
        QCOMPARE(f.session.results.analysed.np, 3);
        QVERIFY(ui::hasAxisPair(f.session));
        QCOMPARE(plottedNames(f.session), std::vector<std::string>({"1", "2", "3"}));

        test::writeFile(f.dir.file("names"), "A\nB\nC\nD\nE\nF\nG\nH\n");
        f.chooseLabels(f.dir.file("names"));
        QVERIFY(control<QAction>(f.window(), "mLabelfile")->isChecked());
        // Line s names the opened file's sample s: samples 1, 3 and 5.
        QCOMPARE(plottedNames(f.session), std::vector<std::string>({"A", "C", "E"}));
        ui::PlotWindow* graph = f.window().graph();
        graph->redraw(1, 2);
        QCOMPARE(graph->picture(),
                 ui::renderPlot(f.session, 1, 2, control<ui::PlotImage>(graph, "Image1")->width(),
                                control<ui::PlotImage>(graph, "Image1")->height(), nullptr));
        QCOMPARE(colourLines(f), QStringList({"1. A", "2. C", "3. E"}));
        // The results written at Go keep the names they had.
        QVERIFY(test::readFile(f.dir.file("eight-P135.pca")).find(" 1 3 5\r\n") != std::string::npos);

        // A label file that cannot be read leaves the numbers of the opened file.
        f.chooseLabels(f.dir.file("missing"));
        QVERIFY(!control<QAction>(f.window(), "mLabelfile")->isChecked());
        QCOMPARE(f.window().dialogs().errors.size(), 1);
        QCOMPARE(colourLines(f), QStringList({"1. 1", "2. 3", "3. 5"}));

        // The next Go starts from the opened file's labels as before.
        f.chooseLabels(f.dir.file("names"));
        control<QAction>(f.window(), "mGo")->trigger();
        QCOMPARE(plottedNames(f.session), std::vector<std::string>({"A", "C", "E"}));
        QVERIFY(f.endCodes.empty());
    }

    void labelDialog_listsFilesWithoutAFullStop() {
        Fixture f;
        test::writeFile(f.dir.file("names"), "A\n");
        test::writeFile(f.dir.file("trout.lab"), "A\n");
        QFileDialog* dialog = control<QFileDialog>(f.window(), "labOpenDlg");
        dialog->setDirectory(QString::fromStdString(f.dir.path().string()));
        dialog->show();
        auto* view = control<QListView>(dialog, "listView");
        QVERIFY(view != nullptr);
        const auto shown = [view] {
            QStringList names;
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row)
                names << view->model()->index(row, 0, root).data().toString();
            names.sort();
            return names;
        };
        QTRY_COMPARE(shown(), QStringList({"names", "trout.lab"}));
        dialog->hide();
    }

    void cancelledTest_plotShowsNoPValues() {
        Fixture f;
        ModalScript script;
        f.cancelLongTest(script);
        ui::MainWindow& w = f.window();
        QVERIFY(f.session.results.testCancelled);
        QVERIFY(control<QAction>(w, "mTesting")->isChecked());
        ui::PlotWindow* graph = w.graph();
        QVERIFY(graph != nullptr);
        QVERIFY(!graph->description().empty());
        QVERIFY(graph->description().find("p=") == std::string::npos);
        QCOMPARE(graph->description(), ui::describeAxes(f.session, 1, 2, false));

        // A completed test shows its P-values again.
        f.session.settings.generator.seed1 = 1;
        f.session.settings.generator.seed2 = 1;
        script.then([](QDialog& dialog) {
            auto& countDialog = static_cast<ui::CountDialog&>(dialog);
            control<QLineEdit>(countDialog, "Enbrand")->setText(QStringLiteral("100"));
            control<QPushButton>(countDialog, "bOKnbrand")->click();
        });
        control<QAction>(w, "mTesting")->trigger();  // off
        control<QAction>(w, "mTesting")->trigger();  // on, 100
        control<QAction>(w, "mGo")->trigger();
        QVERIFY(!f.session.results.testCancelled);
        QVERIFY(w.graph()->description().find("(p=") != std::string::npos);
    }

    void testingCheckedAfterAGoWithoutTest_keepsThePValueForm() {
        Fixture f;
        f.open(f.writeData());
        control<QAction>(f.window(), "mGo")->trigger();
        ModalScript script;
        f.testingOn(script, "100");
        ui::PlotWindow* graph = f.window().graph();
        graph->redraw(1, 2);
        QCOMPARE(graph->description(), ui::describeAxes(f.session, 1, 2, true));
    }

    void manual_isShownByACopyOfTheProgramAnywhere() {
        test::TempDir elsewhere;
        const QString folder = QString::fromStdString(elsewhere.path().string());
        const QString manual = ui::findManual(ui::manualSearchPath(folder));
        QVERIFY2(!manual.isEmpty(), "no manual for a program copied to an empty folder");

        Fixture f;
        f.window().setManualSearchPath(ui::manualSearchPath(folder));
        control<QAction>(f.window(), "mContents")->trigger();
        ui::HelpViewer* viewer = f.window().helpViewer();
        QVERIFY(viewer != nullptr);
        QVERIFY(f.window().dialogs().informations.isEmpty());
        QVERIFY(control<QTextBrowser>(viewer, "helpBrowser")
                    ->toPlainText()
                    .contains(QStringLiteral("Getting started")));
        // The manual's pictures come along with it.
        const QString source = QString::fromStdString(test::readFile(ZELTRIC_SOURCE_DIR "/docs/manual.html"));
        QVERIFY(source.contains(QStringLiteral("src=\"images/")));
        const QVariant picture =
            control<QTextBrowser>(viewer, "helpBrowser")
                ->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/main-window.png")));
        QVERIFY(picture.isValid());
        QVERIFY(!QImage::fromData(picture.toByteArray()).isNull());
    }
};

QTEST_MAIN(TestWindowFaults)
#include "window_faults_test.moc"
