// The main window driven through its menu on the offscreen platform: start,
// open, options, go with and without a test, cancel, exit and close.

#include <QAction>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QtTest>
#include <filesystem>
#include <optional>

#include "desktop_fixture.hpp"
#include "randomisation/random_generator.hpp"
#include "test_support.hpp"
#include "ui/desktop_start.hpp"
#include "ui/help_viewer.hpp"
#include "ui/main_window.hpp"
#include "ui/number_dialogs.hpp"
#include "ui/pick_dialogs.hpp"
#include "ui/plot_window.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

using namespace zeltric;
using zeltric::test::ModalScript;

namespace {

// The shared desktop instance, with the steps these tests repeat.
struct Fixture : test::DesktopFixture {};

void answerSeeds(ModalScript& script, const QString& first, const QString& second,
                 QStringList* shownTexts = nullptr) {
    script.then([=](QDialog& dialog) {
        auto& seed = static_cast<ui::SeedDialog&>(dialog);
        if (shownTexts != nullptr) {
            *shownTexts << control<QLineEdit>(seed, "Ernd1")->text() + QLatin1Char('|') +
                               control<QLineEdit>(seed, "ERnd2")->text();
        }
        control<QLineEdit>(seed, "Ernd1")->setText(first);
        control<QLineEdit>(seed, "ERnd2")->setText(second);
        control<QPushButton>(seed, "Button1")->click();
    });
}

void closeAboutBox(ModalScript& script, QString* caption = nullptr) {
    script.then([caption](QDialog& dialog) {
        if (caption != nullptr) {
            *caption = dialog.windowTitle();
        }
        control<QPushButton>(dialog, "OKButton")->click();
    });
}

QStringList itemTexts(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) {
        texts << list.item(row)->text();
    }
    return texts;
}

void select(QListWidget& list, const QStringList& texts) {
    list.clearSelection();
    for (int row = 0; row < list.count(); ++row) {
        list.item(row)->setSelected(texts.contains(list.item(row)->text()));
    }
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void startState_textsFromTheWidgets() {
        Fixture f;
        ui::MainWindow& w = f.window();
        QCOMPARE(w.windowTitle(), QStringLiteral("ZELTRIC for Windows, version 1.2."));
        QCOMPARE(w.size(), QSize(706, 460));
        QCOMPARE(control<QMenu>(w, "mFile")->title(), QStringLiteral("&File"));
        QCOMPARE(control<QAction>(w, "mfopen")->text(), QStringLiteral("&Open"));
        QCOMPARE(control<QAction>(w, "Exit1")->text(), QStringLiteral("E&xit"));
        QCOMPARE(control<QMenu>(w, "moptions")->title(), QStringLiteral("O&ptions"));
        QCOMPARE(control<QAction>(w, "mLabelfile")->text(), QStringLiteral("&Label file for pops"));
        QCOMPARE(control<QAction>(w, "mPopstouse1")->text(), QStringLiteral("Pops to use"));
        QCOMPARE(control<QAction>(w, "mLocitouse1")->text(), QStringLiteral("Loci to use"));
        QVERIFY(control<QAction>(w, "N1")->isSeparator());
        QCOMPARE(control<QAction>(w, "mTesting")->text(), QStringLiteral("&Testing"));
        QCOMPARE(control<QAction>(w, "mGo")->text(), QStringLiteral("&Go"));
        QCOMPARE(control<QMenu>(w, "mHelp")->title(), QStringLiteral("&Help"));
        QCOMPARE(control<QAction>(w, "mContents")->text(), QStringLiteral("&Contents"));
        QCOMPARE(control<QAction>(w, "mAbout1")->text(), QStringLiteral("&About"));
        // Found by object name, in menu order.
        const QList<QAction*> top = w.menuBar()->actions();
        QCOMPARE(top.size(), 4);
        QCOMPARE(top[2], control<QAction>(w, "mGo"));
        QCOMPARE(top[0], control<QMenu>(w, "mFile")->menuAction());
        QCOMPARE(top[1], control<QMenu>(w, "moptions")->menuAction());
        QCOMPARE(top[3], control<QMenu>(w, "mHelp")->menuAction());
        QCOMPARE(control<QMenu>(w, "moptions")->actions(),
                 QList<QAction*>({control<QAction>(w, "mLabelfile"), control<QAction>(w, "mPopstouse1"),
                                  control<QAction>(w, "mLocitouse1"), control<QAction>(w, "N1"),
                                  control<QAction>(w, "mTesting"), control<QAction>(w, "mBootstrap")}));
        QCOMPARE(control<QAction>(w, "mBootstrap")->text(), QStringLiteral("Bootstrap over loci"));
        QVERIFY(control<QAction>(w, "mBootstrap")->isCheckable() &&
                !control<QAction>(w, "mBootstrap")->isChecked());

        // Before any file is opened, Go and the Options cannot be chosen.
        QVERIFY(!control<QMenu>(w, "moptions")->menuAction()->isEnabled());
        QVERIFY(!control<QAction>(w, "mGo")->isEnabled());
        QVERIFY(control<QAction>(w, "mfopen")->isEnabled() && control<QAction>(w, "Exit1")->isEnabled());
        QVERIFY(control<QAction>(w, "mContents")->isEnabled() && control<QAction>(w, "mAbout1")->isEnabled());
        for (QAction* mark : {control<QAction>(w, "mLabelfile"), control<QAction>(w, "mPopstouse1"),
                              control<QAction>(w, "mLocitouse1"), control<QAction>(w, "mTesting")}) {
            QVERIFY(mark->isCheckable());
            QVERIFY(!mark->isChecked());
        }

        QPlainTextEdit* memo = control<QPlainTextEdit>(w, "Memo1");
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        // Fixed pitch, measured: the report's columns line up.
        const QFontMetrics metrics(memo->font());
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
                 metrics.horizontalAdvance(QStringLiteral("WWWW")));
        QVERIFY(memo->toPlainText().isEmpty());

        // Data files first and chosen; the other formats follow.
        QFileDialog* open = control<QFileDialog>(w, "mOpenDlg");
        QCOMPARE(open->nameFilters().front(), QStringLiteral("data files (*.dat)"));
        QCOMPARE(open->selectedNameFilter(), QStringLiteral("data files (*.dat)"));
        QCOMPARE(open->nameFilters().size(), 8);
        QVERIFY(open->nameFilters()[1].startsWith(QStringLiteral("All supported files (")));
        QVERIFY(open->nameFilters().contains(
            QStringLiteral("VCF, BCF and PLINK files (*.vcf *.vcf.gz *.vcf.bgz *.bcf *.bed)")));
        QVERIFY(open->nameFilters()[1].contains(QStringLiteral("*.vcf.gz")));
        QCOMPARE(control<QFileDialog>(w, "labOpenDlg")->nameFilters(), QStringList("label files (*)"));
        QCOMPARE(control<QFileDialog>(w, "mOpenDlg")->fileMode(), QFileDialog::ExistingFile);
    }

    void start_missingSeedFileAsksUntilValid() {
        Fixture f;
        ModalScript script;
        QStringList shown;
        answerSeeds(script, "0", "5", &shown);                  // out of range
        answerSeeds(script, "12", "", &shown);                  // second field empty
        script.then([](QDialog& dialog) { dialog.reject(); });  // closed by the frame
        answerSeeds(script, "42x", "7", &shown);                // not a number
        answerSeeds(script, " 42", "2147483398", &shown);       // valid
        QString aboutCaption;
        closeAboutBox(script, &aboutCaption);
        ui::startDesktop(*f.desktop);

        QVERIFY(script.done());
        QCOMPARE(script.unscripted, 0);
        // Every showing starts with empty fields.
        QCOMPARE(shown, QStringList({"|", "|", "|", "|"}));
        QCOMPARE(f.session.settings.generator.seed1, 42);
        QCOMPARE(f.session.settings.generator.seed2, 2147483398);
        QCOMPARE(test::readFile(f.session.settings.seedFileName), std::string("42 2147483398\r\n"));
        QCOMPARE(aboutCaption, QStringLiteral("About ZELTRIC"));
        QVERIFY(f.window().isVisible());
    }

    void start_seedFileReadWithoutAsking() {
        Fixture f;
        test::writeFile(f.session.settings.seedFileName, "123   456\r\n");
        ModalScript script;
        closeAboutBox(script);
        ui::startDesktop(*f.desktop);
        QCOMPARE(script.shown, 1);  // the about box only
        QCOMPARE(f.session.settings.generator.seed1, 123);
        QCOMPARE(f.session.settings.generator.seed2, 456);
    }

    void open_enablesOptionsAndClearsMarks() {
        Fixture f;
        ui::MainWindow& w = f.window();
        f.session.settings.selectLoci = true;  // left over from an earlier file
        f.session.settings.testingOn = true;
        control<QPlainTextEdit>(w, "Memo1")->setPlainText("old results");
        f.open(f.writeData());
        QVERIFY(control<QMenu>(w, "moptions")->menuAction()->isEnabled());
        QVERIFY(control<QAction>(w, "mGo")->isEnabled());
        for (QAction* mark : {control<QAction>(w, "mLabelfile"), control<QAction>(w, "mPopstouse1"),
                              control<QAction>(w, "mLocitouse1"), control<QAction>(w, "mTesting")}) {
            QVERIFY(!mark->isChecked());
        }
        QVERIFY(control<QPlainTextEdit>(w, "Memo1")->toPlainText().isEmpty());
        QCOMPARE(f.session.settings.opened.np, 3);

        // Cancelling a later open keeps the data set; the view is cleared.
        control<QPlainTextEdit>(w, "Memo1")->setPlainText("shown");
        w.dialogs().setNextFileName(std::nullopt);
        control<QAction>(w, "mfopen")->trigger();
        QVERIFY(control<QAction>(w, "mGo")->isEnabled());
        QCOMPARE(f.session.settings.opened.np, 3);
        QVERIFY(control<QPlainTextEdit>(w, "Memo1")->toPlainText().isEmpty());
    }

    void testing_countRules_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("expected");
        QTest::newRow("refused then 100") << QStringList({"99", "15001", "abc", "", "100"}) << 100;
        QTest::newRow("upper bound") << QStringList({"15000"}) << 15000;
        QTest::newRow("offered text") << QStringList({"100"}) << 100;
        QTest::newRow("blank and sign") << QStringList({" +2500"}) << 2500;
    }

    void testing_countRules() {
        QFETCH(QStringList, entries);
        QFETCH(int, expected);
        Fixture f;
        f.open(f.writeData());
        ModalScript script;
        QStringList offers;
        for (const QString& entry : entries) {
            script.then([&offers, entry](QDialog& dialog) {
                auto& count = static_cast<ui::CountDialog&>(dialog);
                offers << control<QLineEdit>(count, "Enbrand")->text();
                control<QLineEdit>(count, "Enbrand")->setText(entry);
                control<QPushButton>(count, "bOKnbrand")->click();
            });
        }
        control<QAction>(f.window(), "mTesting")->trigger();
        QVERIFY(script.done());
        QCOMPARE(script.shown, entries.size());
        QCOMPARE(offers, QStringList(QVector<QString>(entries.size(), QStringLiteral("100")).toList()));
        QCOMPARE(f.session.settings.randomisationCount, expected);
        QVERIFY(control<QAction>(f.window(), "mTesting")->isChecked());
        QVERIFY(f.session.settings.testingOn);
    }

    void testing_offThenOnAsksAgain() {
        Fixture f;
        f.open(f.writeData());
        ModalScript script;
        f.testingOn(script, "500");
        control<QAction>(f.window(), "mTesting")->trigger();  // off: no dialog
        QCOMPARE(script.shown, 1);
        QVERIFY(!control<QAction>(f.window(), "mTesting")->isChecked());
        QVERIFY(!f.session.settings.testingOn);
        QCOMPARE(f.session.settings.randomisationCount, 500);
        f.testingOn(script, "300");
        QCOMPARE(script.shown, 2);
        QCOMPARE(f.session.settings.randomisationCount, 300);
    }

    void pickLoci_minimumMovesFlagsAndMark() {
        Fixture f;
        f.open(f.writeData());
        ModalScript script;
        QStringList offered;
        script.then([&](QDialog& dialog) {
            auto& pick = static_cast<ui::LocusPickDialog&>(dialog);
            QCOMPARE(pick.windowTitle(), QStringLiteral("Pick Loci"));
            offered = itemTexts(*control<QListWidget>(pick, "ListBox1"));
            control<QPushButton>(pick, "Button1")->click();  // nothing chosen: comes back
        });
        script.then([&](QDialog& dialog) {
            auto& pick = static_cast<ui::LocusPickDialog&>(dialog);
            select(*control<QListWidget>(pick, "ListBox1"), {"1. locA", "2. locB"});
            control<QPushButton>(pick, "Button2")->click();
            select(*control<QListWidget>(pick, "ListBox2"), {"1. locA"});
            control<QPushButton>(pick, "Button3")->click();
            QCOMPARE(itemTexts(*control<QListWidget>(pick, "ListBox1")), QStringList({"1. locA"}));
            QCOMPARE(itemTexts(*control<QListWidget>(pick, "ListBox2")), QStringList({"2. locB"}));
            control<QPushButton>(pick, "Button1")->click();
        });
        control<QAction>(f.window(), "mLocitouse1")->trigger();
        QVERIFY(script.done());
        QCOMPARE(script.shown, 2);
        QCOMPARE(offered, QStringList({"1. locA", "2. locB"}));
        QCOMPARE(f.session.settings.opened.locusSelected[1], 0);
        QCOMPARE(f.session.settings.opened.locusSelected[2], 1);
        QVERIFY(control<QAction>(f.window(), "mLocitouse1")->isChecked());

        // Choosing every locus keeps the earlier mark.
        script.then([](QDialog& dialog) {
            auto& pick = static_cast<ui::LocusPickDialog&>(dialog);
            control<QListWidget>(pick, "ListBox1")->selectAll();
            control<QPushButton>(pick, "Button2")->click();
            control<QPushButton>(pick, "Button1")->click();
        });
        control<QAction>(f.window(), "mLocitouse1")->trigger();
        QCOMPARE(f.session.settings.opened.locusSelected[1], 1);
        QVERIFY(control<QAction>(f.window(), "mLocitouse1")->isChecked());
    }

    void pickPops_twoNeededAndFrameClose() {
        Fixture f;
        f.open(f.writeData());
        ModalScript script;
        // Closed by the frame at its first showing: nothing changes.
        script.then([](QDialog& dialog) { dialog.reject(); });
        control<QAction>(f.window(), "mPopstouse1")->trigger();
        QCOMPARE(script.shown, 1);
        QVERIFY(!control<QAction>(f.window(), "mPopstouse1")->isChecked());
        QCOMPARE(f.session.settings.opened.populationSelected[1], 1);

        script.then([](QDialog& dialog) {
            auto& pick = static_cast<ui::SamplePickDialog&>(dialog);
            QCOMPARE(pick.windowTitle(), QStringLiteral("pick pop"));
            select(*control<QListWidget>(pick, "ListBox1"), {"3. 3"});
            control<QPushButton>(pick, "Button2")->click();
            control<QPushButton>(pick, "Button1")->click();  // one sample: comes back
        });
        script.then([](QDialog& dialog) { dialog.reject(); });  // closing after an OK brings it back too
        script.then([](QDialog& dialog) {
            auto& pick = static_cast<ui::SamplePickDialog&>(dialog);
            QCOMPARE(itemTexts(*control<QListWidget>(pick, "ListBox2")),
                     QStringList({"3. 3"}));  // as the user left it
            select(*control<QListWidget>(pick, "ListBox1"), {"1. 1"});
            control<QPushButton>(pick, "Button2")->click();
            control<QPushButton>(pick, "Button1")->click();
        });
        control<QAction>(f.window(), "mPopstouse1")->trigger();
        QVERIFY(script.done());
        QCOMPARE(script.shown, 4);
        QCOMPARE(f.session.settings.opened.populationSelected[1], 1);
        QCOMPARE(f.session.settings.opened.populationSelected[2], 0);
        QCOMPARE(f.session.settings.opened.populationSelected[3], 1);
        QVERIFY(control<QAction>(f.window(), "mPopstouse1")->isChecked());
    }

    void go_withoutTest_captionResultsAndPlot() {
        Fixture f;
        f.open(f.writeData());
        control<QAction>(f.window(), "mGo")->trigger();
        QCOMPARE(f.window().windowTitle(), QStringLiteral("ZELTRIC is Processing: small.dat"));
        const std::string results = test::readFile(f.dir.file("small.pca"));
        QVERIFY(!results.empty());
        QCOMPARE(control<QPlainTextEdit>(f.window(), "Memo1")->toPlainText(), test::asDisplayed(results));
        QVERIFY(f.window().graph() != nullptr);
        QVERIFY(f.session.desktop.graphShown);
        QVERIFY(f.endCodes.empty());
        QVERIFY(control<QAction>(f.window(), "mGo")->isEnabled() &&
                control<QAction>(f.window(), "mfopen")->isEnabled());

        // A second go replaces the plot window.
        QPointer<ui::PlotWindow> first = f.window().graph();
        control<QAction>(f.window(), "mGo")->trigger();
        QVERIFY(first.isNull());
        QVERIFY(f.window().graph() != nullptr);
    }

    void go_withSelectionNamesTheFilteredFile() {
        Fixture f;
        f.open(f.writeData());
        ModalScript script;
        script.then([](QDialog& dialog) {
            auto& pick = static_cast<ui::LocusPickDialog&>(dialog);
            select(*control<QListWidget>(pick, "ListBox1"), {"2. locB"});
            control<QPushButton>(pick, "Button2")->click();
            control<QPushButton>(pick, "Button1")->click();
        });
        control<QAction>(f.window(), "mLocitouse1")->trigger();
        control<QAction>(f.window(), "mGo")->trigger();
        QCOMPARE(f.window().windowTitle(), QStringLiteral("ZELTRIC is Processing: small-L2.dat"));
        QVERIFY(std::filesystem::exists(f.dir.file("small-L2.pca")));
    }

    void go_withTest_disablesCommandsAndShowsPValues() {
        Fixture f;
        test::writeFile(f.session.settings.seedFileName, "12345 67890\r\n");
        f.session.settings.generator.seed1 = 12345;
        f.session.settings.generator.seed2 = 67890;
        f.open(f.writeData());
        ModalScript script;
        f.testingOn(script, "100");

        ui::MainWindow& w = f.window();
        bool sampled = false;
        bool progressVisible = false;
        bool anyEnabled = true;
        int maximum = 0;
        QTimer::singleShot(0, &w, [&] {
            sampled = true;
            progressVisible = control<QWidget>(w, "progressPanel")->isVisible();
            maximum = control<QProgressBar>(w, "progressBar")->maximum();
            anyEnabled = control<QAction>(w, "mfopen")->isEnabled() || control<QAction>(w, "mGo")->isEnabled() ||
                         control<QAction>(w, "Exit1")->isEnabled() ||
                         control<QMenu>(w, "moptions")->menuAction()->isEnabled();
            control<QAction>(w, "mGo")->trigger();     // ignored while the test runs
            control<QAction>(w, "mfopen")->trigger();  // likewise
        });
        w.show();
        control<QAction>(w, "mGo")->trigger();
        QVERIFY(sampled);
        QVERIFY(progressVisible);
        QCOMPARE(maximum, 100);
        QVERIFY(!anyEnabled);
        QVERIFY(!control<QWidget>(w, "progressPanel")->isVisible());
        QVERIFY(control<QAction>(w, "mGo")->isEnabled() && control<QAction>(w, "mfopen")->isEnabled() &&
                control<QAction>(w, "Exit1")->isEnabled());
        QCOMPARE(w.dialogs().fileDialogsShown, 1);  // only the first open

        const std::string results = test::readFile(f.dir.file("small.pca"));
        QVERIFY(results.find("P-values are given after 100 randomizations.\r\n") != std::string::npos);
        QCOMPARE(control<QPlainTextEdit>(w, "Memo1")->toPlainText(), test::asDisplayed(results));
        QCOMPARE(w.windowTitle(), QStringLiteral("ZELTRIC is Processing: small.dat"));
        // The generator moved on: Exit saves the new state, three blanks apart.
        QVERIFY(f.session.settings.generator.seed1 != 12345);
        control<QAction>(w, "Exit1")->trigger();
        QCOMPARE(test::readFile(f.session.settings.seedFileName),
                 std::to_string(f.session.settings.generator.seed1) + "   " +
                     std::to_string(f.session.settings.generator.seed2) + "\r\n");
        QCOMPARE(f.endCodes, std::vector<int>({0}));
        QVERIFY(!f.session.desktop.graphShown);
    }

    void go_cancelledTestWritesNoSection() {
        Fixture f;
        ModalScript script;
        f.cancelLongTest(script);
        ui::MainWindow& w = f.window();
        const std::string results = test::readFile(f.dir.file("small.pca"));
        QVERIFY(!results.empty());
        QVERIFY(results.find("P-values") == std::string::npos);
        QCOMPARE(control<QPlainTextEdit>(w, "Memo1")->toPlainText(), test::asDisplayed(results));
        QVERIFY(!w.dialogs().informations.isEmpty());  // the cancel is said
        QVERIFY(!control<QWidget>(w, "progressPanel")->isVisible());
        QVERIFY(f.endCodes.empty());
        QVERIFY(control<QAction>(w, "mGo")->isEnabled());
    }

    void bootstrap_countDialogMarkAndSection() {
        Fixture f;
        f.session.settings.generator.seed1 = 12345;
        f.session.settings.generator.seed2 = 67890;
        f.open(f.writeData());
        ui::MainWindow& w = f.window();
        ModalScript script;
        QStringList seen;
        for (const QString& entry : {QStringLiteral("99"), QStringLiteral("200")}) {
            script.then([&seen, entry](QDialog& dialog) {
                auto& count = static_cast<ui::CountDialog&>(dialog);
                seen << dialog.windowTitle() + QLatin1Char('|') + control<QLabel>(count, "lnbrand")->text() +
                            QLatin1Char('|') + control<QLineEdit>(count, "Enbrand")->text();
                control<QLineEdit>(count, "Enbrand")->setText(entry);
                control<QPushButton>(count, "bOKnbrand")->click();
            });
        }
        control<QAction>(w, "mBootstrap")->trigger();
        QVERIFY(script.done());
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0],
                 QStringLiteral("Number of bootstrap replicates|Number of replicates ? [100..100000]|1000"));
        QVERIFY(control<QAction>(w, "mBootstrap")->isChecked());
        QVERIFY(!control<QAction>(w, "mTesting")->isChecked());
        control<QAction>(w, "mGo")->trigger();
        const std::string results = test::readFile(f.dir.file("small.pca"));
        QVERIFY(results.find("Bootstrap over loci: 200 replicates, seeds 1,1\r\n") != std::string::npos);
        QCOMPARE(control<QPlainTextEdit>(w, "Memo1")->toPlainText(), test::asDisplayed(results));
        // The test's generator is not the bootstrap's.
        QCOMPARE(f.session.settings.generator.seed1, 12345);
        QCOMPARE(f.session.settings.generator.seed2, 67890);
        QVERIFY(!control<QWidget>(w, "progressPanel")->isVisible());

        // Cancel: the report stays, without the section.
        f.session.settings.bootstrapReplicates = 100000;
        f.goAndCancel();
        const std::string cancelled = test::readFile(f.dir.file("small.pca"));
        QVERIFY(!cancelled.empty());
        QVERIFY(cancelled.find("Bootstrap") == std::string::npos);
        QCOMPARE(control<QPlainTextEdit>(w, "Memo1")->toPlainText(), test::asDisplayed(cancelled));
        QVERIFY(w.dialogs().informations.last().contains(QStringLiteral("bootstrap over loci was cancelled")));
        QVERIFY(f.endCodes.empty());

        // Off: no dialog, no section.
        control<QAction>(w, "mBootstrap")->trigger();
        QVERIFY(!control<QAction>(w, "mBootstrap")->isChecked());
        QCOMPARE(script.shown, 2);
    }

    void exit_writesSeedsAndCloseDoesNot() {
        {
            Fixture f;
            test::writeFile(f.session.settings.seedFileName, "5 7\r\n");
            f.session.settings.generator.seed1 = 5;
            f.session.settings.generator.seed2 = 7;
            f.window().show();
            f.window().close();
            QCOMPARE(test::readFile(f.session.settings.seedFileName), std::string("5 7\r\n"));
            QCOMPARE(f.endCodes, std::vector<int>({0}));
        }
        {
            Fixture f;
            test::writeFile(f.session.settings.seedFileName, "5 7\r\n");
            f.session.settings.generator.seed1 = 5;
            f.session.settings.generator.seed2 = 7;
            control<QAction>(f.window(), "Exit1")->trigger();
            QCOMPARE(test::readFile(f.session.settings.seedFileName), std::string("5   7\r\n"));
            QCOMPARE(f.endCodes, std::vector<int>({0}));
        }
    }

    void exit_unwritableSeedFileIsReported() {
        Fixture f;
        f.session.settings.seedFileName = f.dir.file("missing-folder/ZELTRIC.INI");
        control<QAction>(f.window(), "Exit1")->trigger();
        QCOMPARE(f.window().dialogs().errors.size(), 1);
        QVERIFY(f.window().dialogs().errors[0].contains(QStringLiteral("missing-folder/ZELTRIC.INI")));
        QCOMPARE(f.endCodes, std::vector<int>({0}));
    }

    void fatalError_showsErrorAndEndsWithOne() {
        Fixture f;
        // Allele 4 above nu = 3 at the first individual.
        f.open(f.writeData("bad.dat", "2 1 3 1\r\nloc\r\n1 14\r\n2 11\r\n"));
        control<QAction>(f.window(), "mGo")->trigger();
        QCOMPARE(f.window().dialogs().errors.size(), 1);
        QVERIFY(f.window().dialogs().errors[0].startsWith(QStringLiteral("Problem in the data file!!!!\n")));
        QCOMPARE(f.endCodes, std::vector<int>({1}));
        QVERIFY(!control<QAction>(f.window(), "mGo")->isEnabled());
    }

    void help_aboutAndContentsBeforeOpen() {
        Fixture f;
        ModalScript script;
        QString caption;
        closeAboutBox(script, &caption);
        control<QAction>(f.window(), "mAbout1")->trigger();
        QCOMPARE(caption, QStringLiteral("About ZELTRIC"));

        f.window().setManualSearchPath({QStringLiteral(ZELTRIC_SOURCE_DIR "/docs")});
        control<QAction>(f.window(), "mContents")->trigger();
        ui::HelpViewer* viewer = f.window().helpViewer();
        QVERIFY(viewer != nullptr);
        QVERIFY(viewer->isVisible());
        QVERIFY(control<QTextBrowser>(viewer, "helpBrowser")
                    ->toPlainText()
                    .contains(QStringLiteral("Getting started")));
        QVERIFY(
            control<QTextBrowser>(viewer, "helpBrowser")->toPlainText().contains(QStringLiteral("Output files")));

        Fixture g;
        g.window().setManualSearchPath({QString::fromStdString(g.dir.path().string())});
        control<QAction>(g.window(), "mContents")->trigger();
        QVERIFY(g.window().helpViewer() == nullptr);
        QCOMPARE(g.window().dialogs().informations.size(), 1);
        QVERIFY(g.window().dialogs().informations[0].contains(QStringLiteral("manual.html was not found")));
    }

    void manual_foundBesideTheBuild() {
        // The executable lies in a build folder inside the source tree.
        const QString manual = ui::findManual(ui::manualSearchPath(QCoreApplication::applicationDirPath()));
        QVERIFY2(!manual.isEmpty(), "docs/manual.html not found from the test's folder");
        QVERIFY(manual.endsWith(QStringLiteral("manual.html")));
    }
};

QTEST_MAIN(TestMainWindow)
#include "main_window_test.moc"
