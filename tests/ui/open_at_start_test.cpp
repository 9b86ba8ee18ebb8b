// `zeltric FILE`: the file named on the command line is opened as File > Open
// opens a chosen file, once the event loop runs.

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QtTest>

#include <optional>

#include "desktop_fixture.hpp"
#include "test_support.hpp"
#include "ui/desktop_start.hpp"
#include "ui/main_window.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

using namespace zeltric;

namespace {

using Fixture = test::DesktopFixture;

}  // namespace

class TestOpenAtStart : public QObject {
    Q_OBJECT
private slots:
    void opensLikeTheOpenStep() {
        Fixture f;
        const std::string path = f.writeData("small.dat", test::kSmallData);
        ui::openAtStart(*f.desktop, QString::fromStdString(path));
        // Nothing happens before the event loop turns.
        QVERIFY(!f.session.settings.fileOpen);
        QTRY_VERIFY(f.session.settings.fileOpen);

        ui::MainWindow& w = f.window();
        QCOMPARE(f.session.settings.opened.np, 3);
        QCOMPARE(f.session.settings.opened.nl, 2);
        QCOMPARE(f.session.results.dataFileName, f.dir.file("small"));
        QVERIFY(control<QAction>(w, "mGo")->isEnabled());
        QVERIFY(control<QMenu>(w, "moptions")->menuAction()->isEnabled());
        QVERIFY(w.dialogs().errors.isEmpty());
        QVERIFY(f.endCodes.empty());
        // The next File > Open starts in the file's folder.
        QCOMPARE(QFileInfo(control<QFileDialog>(w, "mOpenDlg")->directory().absolutePath()).canonicalFilePath(),
                 QFileInfo(QString::fromStdString(f.dir.path().string())).canonicalFilePath());
    }

    // The start's open is a real open, not an answer slipped into the file
    // dialog: an answer already waiting there is left for File > Open.
    void waitingFileDialogAnswerIsLeftForFileOpen() {
        Fixture f;
        const std::string first = f.writeData("first.dat", test::kSmallData);
        const std::string second = f.writeData("second.dat", test::kSmallData);
        f.window().dialogs().setNextFileName(QString::fromStdString(second));
        ui::openAtStart(*f.desktop, QString::fromStdString(first));
        QTRY_VERIFY(f.session.settings.fileOpen);
        QCOMPARE(f.session.results.dataFileName, f.dir.file("first"));
        QCOMPARE(f.window().dialogs().fileDialogsShown, 0);
        control<QAction>(f.window(), "mfopen")->trigger();
        QCOMPARE(f.session.results.dataFileName, f.dir.file("second"));
    }

    void relativePathIsTakenFromTheCurrentFolder() {
        Fixture f;
        f.writeData("trout.dat", test::kSmallData);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(f.dir.path().string()));
        ui::openAtStart(*f.desktop, QStringLiteral("trout.dat"));
        QTRY_VERIFY(f.session.settings.fileOpen);
        QDir::setCurrent(previous);
        // Outputs go beside the data file whatever the folder is later.
        QVERIFY(QFileInfo(QString::fromStdString(f.session.results.dataFileName)).isAbsolute());
        QCOMPARE(QFileInfo(QString::fromStdString(f.session.results.dataFileName + ".dat")).canonicalFilePath(),
                 QFileInfo(QString::fromStdString(f.dir.file("trout.dat"))).canonicalFilePath());
    }

    void missingFileIsReportedAndNothingOpened() {
        Fixture f;
        const QString missing = QString::fromStdString(f.dir.file("absent.dat"));
        ui::openAtStart(*f.desktop, missing);
        QTRY_COMPARE(f.window().dialogs().errors.size(), 1);
        QVERIFY(f.window().dialogs().errors.front().contains(missing));
        QVERIFY(!f.session.settings.fileOpen);
        QVERIFY(!control<QAction>(f.window(), "mGo")->isEnabled());
        QVERIFY(f.endCodes.empty());  // the program goes on; File > Open still works
        QVERIFY(control<QAction>(f.window(), "mfopen")->isEnabled());
    }

    void badCodingGetsTheOpenStepsMessage() {
        Fixture f;
        const std::string path = f.writeData("coded3.dat", "2 1 2 3\r\nloc1\r\n1 11\r\n2 12\r\n");
        ui::openAtStart(*f.desktop, QString::fromStdString(path));
        QTRY_VERIFY(f.session.settings.fileOpen);
        QCOMPARE(f.window().dialogs().informations.size(), 1);
        QVERIFY(f.window().dialogs().informations.front().contains(QStringLiteral("has to be a 1 or a 2")));
        QVERIFY(control<QAction>(f.window(), "mGo")->isEnabled());  // as after File > Open
    }

    void refusedHeaderEndsTheProgramAsTheOpenStepDoes() {
        Fixture f;
        const std::string path = f.writeData("huge.dat", "501 1 2 1\r\nloc1\r\n1 11\r\n");
        ui::openAtStart(*f.desktop, QString::fromStdString(path));
        QTRY_COMPARE(f.endCodes.size(), std::size_t{1});
        QCOMPARE(f.endCodes.front(), 1);
        QCOMPARE(f.window().dialogs().errors.size(), 1);
    }
};

QTEST_MAIN(TestOpenAtStart)
#include "open_at_start_test.moc"
