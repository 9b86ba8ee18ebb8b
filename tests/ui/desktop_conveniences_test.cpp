// What a desktop user reaches for: shortcuts, Open Recent, dropping a file,
// the status line, the remembered geometry, the plot window's place, the help
// viewer's navigation and the dialogs' keyboard order.

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextTable>
#include <QToolButton>
#include <QtTest>
#include <filesystem>
#include <string>

#include "desktop_fixture.hpp"
#include "test_support.hpp"
#include "ui/colour_dialog.hpp"
#include "ui/desktop_settings.hpp"
#include "ui/help_viewer.hpp"
#include "ui/main_window.hpp"
#include "ui/number_dialogs.hpp"
#include "ui/pick_dialogs.hpp"
#include "ui/plot_layout.hpp"
#include "ui/plot_window.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

using namespace zeltric;
using zeltric::test::ModalScript;

namespace {

struct Fixture : test::DesktopFixture {
    QString data(const std::string& name = "small.dat") { return QString::fromStdString(writeData(name)); }
    void open(const QString& path) {
        window().dialogs().setNextFileName(path);
        control<QAction>(window(), "mfopen")->trigger();
    }
    // A new program start on the same settings.
    void restart() {
        desktop.reset();
        desktop.emplace(session);
        window().dialogs().setRecordMessages(true);
        window().setEndProgram([this](int code) { endCodes.push_back(code); });
    }
};

bool activate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

QStringList recentTexts(const ui::MainWindow& w) {
    QStringList texts;
    for (const QAction* item : control<QMenu>(w, "mRecent")->actions()) texts << item->text();
    return texts;
}

// Drags `paths` onto the results view as a file manager would and drops
// them; true when the drag was accepted.
bool dropFiles(ui::MainWindow& w, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    mime.setUrls(urls);
    QWidget* target = control<QPlainTextEdit>(w, "Memo1")->viewport();
    const QPoint where = target->rect().center();
    QDragEnterEvent enter(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(where), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QString statusLine(const ui::MainWindow& w) { return control<QLabel>(w, "statusText")->text(); }

// The object names focus passes through, starting at `first`, over `steps`
// presses of Tab.
QStringList tabWalk(QWidget& dialog, QWidget* first, int steps) {
    QStringList names;
    if (!activate(dialog)) return {QStringLiteral("dialog not active")};
    first->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < steps; ++i) {
        QWidget* focused = QApplication::focusWidget();
        names << (focused != nullptr ? focused->objectName() : QStringLiteral("none"));
        if (focused == nullptr) break;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    dialog.hide();
    return names;
}

int manualTop(const ui::HelpViewer& viewer) {
    return control<QTextBrowser>(viewer, "helpBrowser")->verticalScrollBar()->value();
}

}  // namespace

class TestDesktopConveniences : public QObject {
    Q_OBJECT

private slots:
    void mainShortcuts_openGoHelpAndQuit() {
        Fixture f;
        ui::MainWindow& w = f.window();
        QCOMPARE(control<QAction>(w, "mfopen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(control<QAction>(w, "mGo")->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(control<QAction>(w, "mContents")->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(control<QAction>(w, "Exit1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        test::writeFile(f.session.settings.seedFileName, "5 7\r\n");
        f.session.settings.generator.seed1 = 5;
        f.session.settings.generator.seed2 = 7;
        QVERIFY(activate(w));

        w.dialogs().setNextFileName(f.data());
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(f.session.settings.fileOpen);
        QVERIFY(control<QAction>(w, "mGo")->isEnabled());

        QTest::keyClick(&w, Qt::Key_F5);
        QVERIFY(f.session.results.runDone);
        QVERIFY(w.graph() != nullptr);

        QVERIFY(activate(w));
        w.setManualSearchPath({QStringLiteral(ZELTRIC_SOURCE_DIR "/docs")});
        QTest::keyClick(&w, Qt::Key_F1);
        QVERIFY(w.helpViewer() != nullptr && w.helpViewer()->isVisible());

        // Ctrl+Q is Exit: the seeds are saved (three blanks apart).
        QVERIFY(activate(w));
        QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(f.endCodes, std::vector<int>({0}));
        QCOMPARE(test::readFile(f.session.settings.seedFileName), std::string("5   7\r\n"));
    }

    void plotShortcuts_saveAndClose_ctrlEExportsTheFigure() {
        Fixture f;
        f.open(f.data());
        control<QAction>(f.window(), "mGo")->trigger();
        ui::PlotWindow* graph = f.window().graph();
        QVERIFY(graph != nullptr);
        QCOMPARE(control<QAction>(graph, "SaveAs1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(control<QAction>(graph, "Exit1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
        // Ctrl+E is File > Export figure's alone.
        for (const QAction* action : graph->findChildren<QAction*>())
            if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_E))
                QCOMPARE(action->objectName(), QStringLiteral("ExportFigure1"));
        QVERIFY(activate(*graph));

        graph->dialogs().setNextFileName(QString::fromStdString(f.dir.file("figure")));
        QTest::keyClick(graph, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(std::filesystem::exists(f.dir.file("figure.bmp")));

        QTest::keyClick(graph, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!graph->isVisible());
        QVERIFY(!f.session.desktop.graphShown);
    }

    void openRecent_newestFirstEightKeptAndRemembered() {
        Fixture f;
        ui::MainWindow& w = f.window();
        QVERIFY(!control<QMenu>(w, "mRecent")->menuAction()->isEnabled());  // nothing yet
        // Appended after the Parts' items.
        const QList<QAction*> items = control<QMenu>(w, "mFile")->actions();
        QCOMPARE(items.indexOf(control<QAction>(w, "mfopen")), 0);
        QCOMPARE(items.indexOf(control<QAction>(w, "Exit1")), 1);
        QCOMPARE(items.last(), control<QMenu>(w, "mRecent")->menuAction());
        QCOMPARE(control<QMenu>(w, "mRecent")->title(), QStringLiteral("Open &Recent"));

        QStringList paths;
        for (int i = 1; i <= 10; ++i) paths << f.data("run" + std::to_string(i) + ".dat");
        for (const QString& path : paths) f.open(path);
        QCOMPARE(control<QMenu>(w, "mRecent")->actions().size(), ui::kRecentFileLimit);
        QCOMPARE(recentTexts(w).first(), QStringLiteral("&1 ") + paths[9]);
        QCOMPARE(recentTexts(w).last(), QStringLiteral("&8 ") + paths[2]);

        // Opening one again moves it to the front, once.
        control<QAction>(w, "mRecent4")->trigger();  // run7
        QCOMPARE(QString::fromStdString(f.session.settings.openedPath), paths[6]);
        QCOMPARE(ui::recentFiles().mid(0, 3), QStringList({paths[6], paths[9], paths[8]}));
        QCOMPARE(ui::recentFiles().size(), ui::kRecentFileLimit);

        f.restart();
        QCOMPARE(recentTexts(f.window()).first(), QStringLiteral("&1 ") + paths[6]);
        QVERIFY(control<QMenu>(f.window(), "mRecent")->menuAction()->isEnabled());
    }

    void openRecent_vanishedFileIsRemovedWithAMessage() {
        Fixture f;
        ui::MainWindow& w = f.window();
        const QString kept = f.data("kept.dat");
        const QString gone = f.data("gone.dat");
        f.open(gone);
        f.open(kept);
        QFile::remove(gone);
        control<QPlainTextEdit>(w, "Memo1")->setPlainText(QStringLiteral("results"));

        control<QAction>(w, "mRecent2")->trigger();
        QCOMPARE(w.dialogs().informations.size(), 1);
        QVERIFY(w.dialogs().informations[0].contains(gone));
        QVERIFY(w.dialogs().informations[0].contains(QStringLiteral("removed from the recent files")));
        QCOMPARE(ui::recentFiles(), QStringList({kept}));
        QCOMPARE(recentTexts(w), QStringList({QStringLiteral("&1 ") + kept}));
        // Nothing else changed: the open file and the view stay.
        QCOMPARE(QString::fromStdString(f.session.settings.openedPath), kept);
        QCOMPARE(control<QPlainTextEdit>(w, "Memo1")->toPlainText(), QStringLiteral("results"));
        QVERIFY(f.endCodes.empty());
    }

    void drop_opensAsFileOpenDoes() {
        Fixture f;
        ui::MainWindow& w = f.window();
        const QString path = f.data();
        control<QPlainTextEdit>(w, "Memo1")->setPlainText(QStringLiteral("old"));
        QVERIFY(dropFiles(w, {path}));
        QVERIFY(f.session.settings.fileOpen);
        QCOMPARE(QString::fromStdString(f.session.settings.openedPath), path);
        QVERIFY(control<QPlainTextEdit>(w, "Memo1")->toPlainText().isEmpty());
        QVERIFY(control<QAction>(w, "mGo")->isEnabled());
        QCOMPARE(ui::recentFiles(), QStringList({path}));
        QCOMPARE(w.dialogs().fileDialogsShown, 0);
        // The caption names the dropped file at once, and the next one dropped.
        QVERIFY(w.windowTitle().endsWith(QFileInfo(path).fileName()));
        const QString second = f.data("second.dat");
        QVERIFY(dropFiles(w, {second}));
        QCOMPARE(w.windowTitle(), QStringLiteral("ZELTRIC: second.dat"));
        QVERIFY(dropFiles(w, {path}));

        // Two files, a folder or a missing file are not taken.
        const QString other = f.data("other.dat");
        QVERIFY(!dropFiles(w, {other, path}));
        QVERIFY(!dropFiles(w, {QString::fromStdString(f.dir.path().string())}));
        QVERIFY(!dropFiles(w, {QString::fromStdString(f.dir.file("missing.dat"))}));
        QCOMPARE(QString::fromStdString(f.session.settings.openedPath), path);
    }

    void whileATestRuns_dropAndOpenRecentAreRefused() {
        Fixture f;
        ui::MainWindow& w = f.window();
        const QString other = f.data("other.dat");
        f.open(other);
        const QString path = f.data();
        f.open(path);
        ModalScript script;
        f.testingOn(script, "15000");
        bool recentEnabled = true;
        bool dropTaken = true;
        bool inStatusBar = false;
        bool progressShown = false;
        QTimer::singleShot(0, &w, [&] {
            recentEnabled = control<QMenu>(w, "mRecent")->menuAction()->isEnabled();
            dropTaken = dropFiles(w, {other});
            control<QAction>(w, "mRecent2")->trigger();
            inStatusBar = w.statusBar()->isAncestorOf(control<QWidget>(w, "progressPanel"));
            progressShown = control<QWidget>(w, "progressPanel")->isVisible();
            control<QPushButton>(w, "bCancel")->click();
        });
        w.show();
        control<QAction>(w, "mGo")->trigger();
        QVERIFY(!recentEnabled);
        QVERIFY(!dropTaken);
        QVERIFY(inStatusBar);
        QVERIFY(progressShown);
        QCOMPARE(QString::fromStdString(f.session.settings.openedPath), path);
        QVERIFY(control<QMenu>(w, "mRecent")->menuAction()->isEnabled());
        QVERIFY(statusLine(w).endsWith(QStringLiteral(" (test cancelled)")));
    }

    void statusLine_afterOpenAndAfterGo() {
        Fixture f;
        ui::MainWindow& w = f.window();
        QVERIFY(statusLine(w).isEmpty());
        f.open(f.data());
        QCOMPARE(statusLine(w), QStringLiteral("small.dat: 3 samples, 2 loci, 12 individuals"));
        control<QAction>(w, "mGo")->trigger();
        const QRegularExpression after(QStringLiteral("^Outputs in (.+); the run took \\d+\\.\\d\\d s$"));
        const QRegularExpressionMatch match = after.match(statusLine(w));
        QVERIFY2(match.hasMatch(), qPrintable(statusLine(w)));
        QCOMPARE(match.captured(1), QString::fromStdString(f.dir.path().string()));

        // One of each, and a file whose genotypes the go step would refuse:
        // the count is left out.
        f.open(QString::fromStdString(f.writeData("one.dat", "1 1 2 1\r\nloc\r\n1 12\r\n")));
        QCOMPARE(statusLine(w), QStringLiteral("one.dat: 1 sample, 1 locus, 1 individual"));
        f.open(QString::fromStdString(f.writeData("bad.dat", "2 1 3 1\r\nloc\r\n1 1x\r\n")));
        QCOMPARE(statusLine(w), QStringLiteral("bad.dat: 2 samples, 1 locus"));
        QVERIFY(f.endCodes.empty());
    }

    void geometry_firstStartThenAsLeft() {
        Fixture f;
        QCOMPARE(f.window().size(), QSize(706, 460));
        f.window().show();
        f.window().setGeometry(30, 40, 640, 420);
        control<QAction>(f.window(), "Exit1")->trigger();
        QCOMPARE(f.endCodes, std::vector<int>({0}));

        f.restart();
        QCOMPARE(f.window().size(), QSize(640, 420));
        f.window().show();
        QCOMPARE(f.window().geometry().topLeft(), QPoint(30, 40));
    }

    void plotWindow_besideTheMainWindowWhenThereIsRoom() {
        Fixture f;
        ui::MainWindow& w = f.window();
        w.show();
        w.setGeometry(2, 30, 80, 200);
        f.open(f.data());
        control<QAction>(w, "mGo")->trigger();
        ui::PlotWindow* graph = w.graph();
        QVERIFY(graph != nullptr);
        QCOMPARE(graph->size(), QSize(ui::kPlotWindowWidth, ui::kPlotWindowHeight));
        QCOMPARE(graph->frameGeometry().left(), w.frameGeometry().right() + 1);
        QCOMPARE(graph->frameGeometry().top(), w.frameGeometry().top());

        // No room on either side: where it always opened, moved no further
        // than needed to lie on the screen.
        w.setGeometry(50, 0, 706, 460);
        control<QAction>(w, "mGo")->trigger();
        const QRect screen = w.screen()->availableGeometry();
        const QPoint at = w.graph()->pos();
        QCOMPARE(at.y(), 59);
        QCOMPARE(at.x(), std::min(240, screen.right() + 1 - w.graph()->frameGeometry().width()));
        QCOMPARE(w.graph()->size(), QSize(ui::kPlotWindowWidth, ui::kPlotWindowHeight));
    }

    void helpViewer_codeBlocksWholeAndNoSideScrolling() {
        Fixture f;
        f.window().setManualSearchPath({QStringLiteral(ZELTRIC_SOURCE_DIR "/docs")});
        control<QAction>(f.window(), "mContents")->trigger();
        ui::HelpViewer* viewer = f.window().helpViewer();
        QVERIFY(viewer != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QCOMPARE(control<QTextBrowser>(viewer, "helpBrowser")->horizontalScrollBar()->maximum(), 0);

        // Every line of a code block lies in one shaded cell, none shaded alone.
        const QTextCursor found =
            control<QTextBrowser>(viewer, "helpBrowser")->document()->find(QStringLiteral("mkdir ~/trout"));
        QVERIFY(!found.isNull());
        QTextTable* table = found.currentTable();
        QVERIFY(table != nullptr);
        QCOMPARE(table->rows(), 1);
        QCOMPARE(table->columns(), 1);
        QVERIFY(table->cellAt(0, 0).format().background().style() != Qt::NoBrush);
        const QTextBlock first = found.block();
        QVERIFY(first.next().text().startsWith(QStringLiteral("cp ")));
        QVERIFY(found.currentTable() == QTextCursor(first.next()).currentTable());
        const QColor shade = table->cellAt(0, 0).format().background().color();
        for (const QTextBlock& line : {first, first.next()}) {
            const QBrush own = line.blockFormat().background();
            QVERIFY(own.style() == Qt::NoBrush || own.color() == shade);
        }
    }

    void helpViewer_contentsLinksBackForwardHomeAndFind() {
        Fixture f;
        f.window().setManualSearchPath({QStringLiteral(ZELTRIC_SOURCE_DIR "/docs")});
        control<QAction>(f.window(), "mContents")->trigger();
        ui::HelpViewer* viewer = f.window().helpViewer();
        QVERIFY(viewer != nullptr);
        QVERIFY(activate(*viewer));
        QTextBrowser* browser = control<QTextBrowser>(viewer, "helpBrowser");
        QCOMPARE(manualTop(*viewer), 0);
        QVERIFY(!control<QToolButton>(viewer, "helpBack")->isEnabled());
        QVERIFY(!control<QToolButton>(viewer, "helpForward")->isEnabled());

        // The table of contents' entry "The plot window", clicked.
        QTextCursor entry = browser->document()->find(QStringLiteral("The plot window"));
        QVERIFY(!entry.isNull());
        QVERIFY(entry.charFormat().isAnchor());
        QCOMPARE(entry.charFormat().anchorHref(), QStringLiteral("#plot"));
        const QRect place = browser->cursorRect(entry);
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
        QTRY_VERIFY(manualTop(*viewer) > 0);
        const int section = manualTop(*viewer);
        // The clicked link does not stay the cursor's mark in the section.
        QTRY_VERIFY(!browser->textCursor().hasSelection());
        QCOMPARE(manualTop(*viewer), section);
        QVERIFY(control<QToolButton>(viewer, "helpBack")->isEnabled());

        control<QToolButton>(viewer, "helpBack")->click();
        QTRY_COMPARE(manualTop(*viewer), 0);
        QVERIFY(control<QToolButton>(viewer, "helpForward")->isEnabled());
        control<QToolButton>(viewer, "helpForward")->click();
        QTRY_COMPARE(manualTop(*viewer), section);
        control<QToolButton>(viewer, "helpHome")->click();
        QTRY_COMPARE(manualTop(*viewer), 0);

        // Ctrl+F goes to the find field; Enter finds, again and again.
        QTest::keyClick(browser, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(viewer, "helpFind"));
        QTest::keyClicks(control<QLineEdit>(viewer, "helpFind"), QStringLiteral("broken-stick"));
        QTest::keyClick(control<QLineEdit>(viewer, "helpFind"), Qt::Key_Return);
        QCOMPARE(browser->textCursor().selectedText().toLower(), QStringLiteral("broken-stick"));
        const int firstMatch = browser->textCursor().position();
        QTest::keyClick(control<QLineEdit>(viewer, "helpFind"), Qt::Key_Return);
        QVERIFY(browser->textCursor().position() > firstMatch);
        QVERIFY(control<QLabel>(viewer, "helpFindStatus")->text().isEmpty());
        control<QLineEdit>(viewer, "helpFind")->setText(QStringLiteral("no such words in the manual"));
        QVERIFY(!viewer->findNext());
        QCOMPARE(control<QLabel>(viewer, "helpFindStatus")->text(), QStringLiteral("Not found"));
    }

    void dialogs_tabOrderFollowsTheLayout() {
        ui::SeedDialog seed;
        QCOMPARE(tabWalk(seed, control<QLineEdit>(seed, "Ernd1"), 4),
                 QStringList({"Ernd1", "ERnd2", "Button1", "Ernd1"}));
        ui::CountDialog count;
        QCOMPARE(tabWalk(count, control<QLineEdit>(count, "Enbrand"), 3),
                 QStringList({"Enbrand", "bOKnbrand", "Enbrand"}));
        ui::SamplePickDialog pick(3, nullptr);
        control<QListWidget>(pick, "ListBox1")->addItems({"1. 1", "2. 2", "3. 3"});
        QCOMPARE(tabWalk(pick, control<QListWidget>(pick, "ListBox1"), 6),
                 QStringList({"ListBox1", "Button2", "Button3", "ListBox2", "Button1", "ListBox1"}));
        run::Session session;
        ui::ColourDialog colour(session);
        QCOMPARE(tabWalk(colour, control<QListWidget>(colour, "ListBox1"), 7),
                 QStringList({"ListBox1", "bRed", "bBlue", "bYellow", "bGreen", "Button5", "ListBox1"}));
        ui::HelpViewer viewer(QStringLiteral(ZELTRIC_SOURCE_DIR "/docs/manual.html"));
        control<QTextBrowser>(viewer, "helpBrowser")
            ->setSource(QUrl(QStringLiteral("#plot")));  // Back becomes available
        QCOMPARE(tabWalk(viewer, control<QToolButton>(viewer, "helpBack"), 4),
                 QStringList({"helpBack", "helpHome", "helpFind", "helpBrowser"}));
    }

    void pickDialog_doubleClickMovesTheItem() {
        ui::LocusPickDialog pick(3, nullptr);
        control<QListWidget>(pick, "ListBox1")->addItems({"1. locA", "2. locB", "3. locC"});
        pick.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pick));
        // A real double click starts with a press; QTest sends only the second.
        const auto doubleClick = [](QListWidget* list, int row) {
            const QRect place = list->visualItemRect(list->item(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
        };
        doubleClick(control<QListWidget>(pick, "ListBox1"), 1);
        QCOMPARE(pick.chosenTexts(), QStringList({"2. locB"}));
        QCOMPARE(control<QListWidget>(pick, "ListBox1")->count(), 2);
        doubleClick(control<QListWidget>(pick, "ListBox1"), 1);
        QCOMPARE(pick.chosenTexts(), QStringList({"2. locB", "3. locC"}));
        doubleClick(control<QListWidget>(pick, "ListBox2"), 0);
        QCOMPARE(pick.chosenTexts(), QStringList({"3. locC"}));
        QCOMPARE(control<QListWidget>(pick, "ListBox1")->count(), 2);
    }
};

QTEST_MAIN(TestDesktopConveniences)
#include "desktop_conveniences_test.moc"
