// Takes the README's and the manual's pictures: the real main window, plot
// window and help viewer after the example has been opened (dropped on the
// window), labelled, tested and analysed, each drawn into a PNG. Run by
// scripts/screenshots under Xvfb.
//
//   zeltric_screenshots DATA_FILE LABEL_FILE OUTPUT_FOLDER [MANUAL_FOLDER]

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "run/session.hpp"
#include "ui/about_box.hpp"
#include "ui/desktop_settings.hpp"
#include "ui/desktop_start.hpp"
#include "ui/help_viewer.hpp"
#include "ui/main_window.hpp"
#include "ui/plot_window.hpp"

namespace {

bool save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    const bool ok = widget.grab().save(path, "PNG");
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The pictures never depend on the settings of the account taking them.
    QStandardPaths::setTestModeEnabled(true);
    zeltric::ui::clearDesktopSettings();
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: zeltric_screenshots DATA_FILE LABEL_FILE OUTPUT_FOLDER [MANUAL_FOLDER]\n");
        return 2;
    }
    const QString data = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString labels = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const QDir out(QString::fromLocal8Bit(argv[3]));
    QApplication::setApplicationName(QString::fromUtf8(zeltric::run::kApplicationTitle));
    QApplication::setWindowIcon(zeltric::ui::programIcon());

    zeltric::run::Session session;
    session.seedFileName = out.absoluteFilePath(QStringLiteral("ZELTRIC.INI")).toStdString();
    // Fixed seeds and no about box: the pictures are the same at every run.
    session.generator.seed1 = 12345;
    session.generator.seed2 = 67890;
    zeltric::ui::Desktop desktop(session);
    zeltric::ui::MainWindow& window = desktop.window;
    if (argc == 5) {
        window.setManualSearchPath({QFileInfo(QString::fromLocal8Bit(argv[4])).absoluteFilePath()});
    }
    window.show();

    // The data file dropped on the window as a file manager drops it (the
    // same open as File > Open), then Options > Label file for pops,
    // Options > Testing with 1000 randomisations, Go: the menu's handlers.
    {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(data)});
        QWidget* target = window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->viewport();
        const QPoint where = target->rect().center();
        QDragEnterEvent enter(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(where), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    if (!session.fileOpen) {
        std::fprintf(stderr, "zeltric_screenshots: the dropped data file was not opened\n");
        return 1;
    }
    bool ok = save(window, out.absoluteFilePath(QStringLiteral("dropped-file.png")));
    window.dialogs().setNextFileName(labels);
    window.findChild<QAction*>(QStringLiteral("mLabelfile"))->trigger();
    session.menu.testingChecked = true;
    session.randomisationCount = 1000;
    window.syncMenu();
    window.findChild<QAction*>(QStringLiteral("mGo"))->trigger();
    if (!session.runDone || window.graph() == nullptr) {
        std::fprintf(stderr, "zeltric_screenshots: the go step did not finish\n");
        return 1;
    }
    // Tall enough for the whole report of the example, test section included.
    window.resize(706, 800);
    window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->verticalScrollBar()->setValue(0);

    ok = save(window, out.absoluteFilePath(QStringLiteral("main-window.png"))) && ok;
    zeltric::ui::PlotWindow& graph = *window.graph();
    graph.show();
    ok = save(graph, out.absoluteFilePath(QStringLiteral("plot-window.png"))) && ok;

    window.findChild<QAction*>(QStringLiteral("mContents"))->trigger();
    if (zeltric::ui::HelpViewer* help = window.helpViewer()) {
        help->resize(900, 700);
        ok = save(*help, out.absoluteFilePath(QStringLiteral("help-viewer.png"))) && ok;
        // The whole manual, page by page, for proofreading in the viewer.
        if (qEnvironmentVariableIsSet("ZELTRIC_MANUAL_PAGES")) {
            QScrollBar* bar =
                help->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"))->verticalScrollBar();
            for (int page = 1; bar->value() < bar->maximum() || page == 1; ++page) {
                bar->setValue((page - 1) * bar->pageStep());
                ok = save(*help, out.absoluteFilePath(QStringLiteral("manual-%1.png").arg(page, 2, 10, QLatin1Char('0')))) && ok;
                if (bar->value() >= bar->maximum()) break;
            }
        }
    }
    return ok ? 0 : 1;
}
