#include "ui/main_window.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_ranges.hpp"
#include "base/messages_run.hpp"
#include "run/extended_step.hpp"
#include "run/go_bootstrap.hpp"
#include "run/go_step.hpp"
#include "run/label_command.hpp"
#include "run/open_summary.hpp"
#include "run/result_tables.hpp"
#include "run/steps.hpp"
#include "ui/about_box.hpp"
#include "ui/desktop_settings.hpp"
#include "ui/extended_open.hpp"
#include "ui/help_viewer.hpp"
#include "ui/import_dialog.hpp"
#include "ui/number_dialogs.hpp"
#include "ui/pick_dialogs.hpp"
#include "ui/plot_layout.hpp"
#include "ui/plot_window.hpp"

namespace zeltric::ui {

namespace {

QAction* namedAction(QAction* action, const char* name) {
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QFileDialog* openDialog(QWidget* parent, const char* name, const QString& filter) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);  // the file (and its folder) must exist
    dialog->setNameFilter(filter);
    dialog->setSizeGripEnabled(true);
    return dialog;
}

QString plural(long long count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(count == 1 ? one : many));
}

QString openStatus(const run::Session& session) {
    const QString name = QFileInfo(QString::fromStdString(session.settings.openedPath)).fileName();
    if (session.settings.extended) {
        const extended::ExtendedData& data = session.settings.extended->data;
        return QStringLiteral("%1: %2, %3, %4 (extended analysis)")
            .arg(name, plural(static_cast<long long>(data.samples()), "sample", "samples"),
                 plural(static_cast<long long>(data.loci()), "locus", "loci"),
                 plural(static_cast<long long>(data.individuals()), "individual", "individuals"));
    }
    QString text = QStringLiteral("%1: %2, %3")
                       .arg(name, plural(session.settings.opened.np, "sample", "samples"),
                            plural(session.settings.opened.nl, "locus", "loci"));
    if (const std::optional<int> individuals = run::countIndividuals(session))
        text += QStringLiteral(", ") + plural(*individuals, "individual", "individuals");
    return text;
}

QString durationText(qint64 milliseconds) {
    if (milliseconds < 60000)
        return QStringLiteral("%1 s").arg(static_cast<double>(milliseconds) / 1000.0, 0, 'f', 2);
    const qint64 seconds = (milliseconds + 500) / 1000;
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

QString goStatus(const run::Session& session, qint64 milliseconds) {
    const QString folder =
        QDir::toNativeSeparators(QFileInfo(QString::fromStdString(session.results.dataFileName)).absolutePath());
    QString text = QStringLiteral("Outputs in %1; the run took %2").arg(folder, durationText(milliseconds));
    if (testWasCancelled(session)) text += QStringLiteral(" (test cancelled)");
    return text;
}

// Beside the main window, right or else left, when the screen has room for
// the plot window's whole frame; otherwise inside the screen where it was
// put. A plot window larger than the screen (a high scale factor on a small
// screen) first shrinks to it.
void placeBeside(QWidget& plot, const QWidget& main) {
    const QScreen* screen = main.screen();
    if (screen == nullptr) return;
    const QRect available = screen->availableGeometry();
    const QRect mainFrame = main.frameGeometry();
    // The plot window's frame is not known before the window manager draws
    // it: the main window's frame stands in for it.
    const QSize border = mainFrame.size() - main.geometry().size();
    const QSize room = available.size() - border;
    if (plot.width() > room.width() || plot.height() > room.height())
        plot.resize(std::min(plot.width(), room.width()), std::min(plot.height(), room.height()));
    const QSize plotFrame = plot.size() + border;
    const int top = std::clamp(mainFrame.top(), available.top(),
                               std::max(available.top(), available.bottom() + 1 - plotFrame.height()));
    if (mainFrame.right() + plotFrame.width() <= available.right()) {
        plot.move(mainFrame.right() + 1, top);
    } else if (mainFrame.left() - plotFrame.width() >= available.left()) {
        plot.move(mainFrame.left() - plotFrame.width(), top);
    } else {
        const QPoint at = plot.frameGeometry().topLeft();
        plot.move(std::clamp(at.x(), available.left(),
                             std::max(available.left(), available.right() + 1 - plotFrame.width())),
                  std::clamp(at.y(), available.top(),
                             std::max(available.top(), available.bottom() + 1 - plotFrame.height())));
    }
}

}  // namespace

MainWindow::MainWindow(run::Session& session, QWidget* parent)
    : QMainWindow(parent),
      resultsView_(new QPlainTextEdit),
      openDataDialog_(openDialog(
          this, "mOpenDlg",
          QStringLiteral("data files (*.dat);;All supported files (*.dat *.gen *.genepop *.str *.stru "
                         "*.structure *.gtx *.txt *.vcf *.vcf.gz *.vcf.bgz *.bcf *.bed);;Genepop files (*.gen "
                         "*.txt);;STRUCTURE files (*.str *.txt);;GENETIX files (*.gtx);;FSTAT files (*.dat);;VCF, "
                         "BCF and PLINK files (*.vcf *.vcf.gz *.vcf.bgz *.bcf *.bed);;all files (*)"))),
      // "*" lists every file; "*.*" would hide names without a full stop.
      openLabelDialog_(openDialog(this, "labOpenDlg", QStringLiteral("label files (*)"))),
      progressPanel_(new ProgressPanel),
      session_(session),
      port_(*this, *resultsView_, *progressPanel_, dialogs_),
      endProgram_([](int code) { QCoreApplication::exit(code); }) {
    setObjectName(QStringLiteral("fpca"));
    setWindowTitle(QString::fromUtf8(session_.desktop.caption.c_str()));
    setWindowIcon(programIcon());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSize(8);
    setFont(windowFont);
    resize(706, 460);

    resultsView_->setObjectName(QStringLiteral("Memo1"));
    resultsView_->setReadOnly(true);
    resultsView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    resultsView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    resultsView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The report's columns only line up in a fixed-pitch font.
    resultsView_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* client = new QWidget;
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(resultsView_, 1);
    setCentralWidget(client);

    // The status line under the results view; during a test the progressPanel_ bar
    // and Cancel join it there.
    statusLabel_ = new QLabel;
    statusLabel_->setObjectName(QStringLiteral("statusText"));
    // A long path is cut at the window's edge instead of widening the window.
    statusLabel_->setMinimumWidth(1);
    statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(statusLabel_, 1);
    statusBar()->addPermanentWidget(progressPanel_, 2);
    progressPanel_->hide();

    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    fileMenu_ = bar->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("mFile"));
    openAction_ = namedAction(fileMenu_->addAction(QStringLiteral("&Open")), "mfopen");
    exitAction_ = namedAction(fileMenu_->addAction(QStringLiteral("E&xit")), "Exit1");

    optionsMenu_ = bar->addMenu(QStringLiteral("O&ptions"));
    optionsMenu_->setObjectName(QStringLiteral("moptions"));
    labelFileAction_ = namedAction(optionsMenu_->addAction(QStringLiteral("&Label file for pops")), "mLabelfile");
    samplesAction_ = namedAction(optionsMenu_->addAction(QStringLiteral("Pops to use")), "mPopstouse1");
    lociAction_ = namedAction(optionsMenu_->addAction(QStringLiteral("Loci to use")), "mLocitouse1");
    namedAction(optionsMenu_->addSeparator(), "N1");
    testingAction_ = namedAction(optionsMenu_->addAction(QStringLiteral("&Testing")), "mTesting");
    for (QAction* checkable : {labelFileAction_, samplesAction_, lociAction_, testingAction_}) {
        checkable->setCheckable(true);
    }
    bootstrapAction_ = namedAction(optionsMenu_->addAction(QStringLiteral("Bootstrap over loci")), "mBootstrap");
    bootstrapAction_->setCheckable(true);

    goAction_ = namedAction(bar->addAction(QStringLiteral("&Go")), "mGo");

    helpMenu_ = bar->addMenu(QStringLiteral("&Help"));
    helpMenu_->setObjectName(QStringLiteral("mHelp"));
    contentsAction_ = namedAction(helpMenu_->addAction(QStringLiteral("&Contents")), "mContents");
    aboutAction_ = namedAction(helpMenu_->addAction(QStringLiteral("&About")), "mAbout1");

    // Appended to the File menu, after Exit.
    fileMenu_->addSeparator();
    recentMenu_ = fileMenu_->addMenu(QStringLiteral("Open &Recent"));
    recentMenu_->setObjectName(QStringLiteral("mRecent"));
    recentMenu_->menuAction()->setObjectName(QStringLiteral("mOpenRecent"));
    exportTablesAction_ = namedAction(new QAction(QStringLiteral("Export &tables"), this), "mExportTables");
    fileMenu_->insertAction(recentMenu_->menuAction(), exportTablesAction_);

    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    exitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    goAction_->setShortcut(QKeySequence(Qt::Key_F5));
    contentsAction_->setShortcut(QKeySequence(Qt::Key_F1));
    setAcceptDrops(true);
    // A drop on the results view opens the file too, instead of pasting a path.
    resultsView_->setAcceptDrops(false);

    // The check marks are session state: a click runs the handler, which
    // decides the mark; syncMenu then shows it.
    onTriggered(openAction_, &MainWindow::openChosenFile);
    onTriggered(exitAction_, &MainWindow::exitProgram);
    onTriggered(labelFileAction_, &MainWindow::chooseLabelFile);
    onTriggered(samplesAction_, &MainWindow::pickSamples);
    onTriggered(lociAction_, &MainWindow::pickLoci);
    onTriggered(testingAction_, &MainWindow::toggleTesting);
    onTriggered(bootstrapAction_, &MainWindow::toggleBootstrap);
    onTriggered(goAction_, &MainWindow::runAnalysis);
    onTriggered(exportTablesAction_, &MainWindow::exportTables);
    // Help stays at hand while a test runs.
    connect(contentsAction_, &QAction::triggered, this, &MainWindow::showManual);
    connect(aboutAction_, &QAction::triggered, this, &MainWindow::showAbout);

    manualSearchPath_ = manualSearchPath(QCoreApplication::applicationDirPath());
    // First start: the size above; later starts: as the window was left.
    const QByteArray geometry = savedMainWindowGeometry();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    rebuildRecentMenu();
    syncMenu();
}

MainWindow::~MainWindow() {
    delete graph_.data();
    delete helpViewer_.data();
}

PlotWindow* MainWindow::graph() const { return graph_.data(); }

HelpViewer* MainWindow::helpViewer() const { return helpViewer_.data(); }

void MainWindow::setPromptDialogs(SeedDialog* seedDialog, CountDialog* countDialog) {
    port_.setPromptDialogs(seedDialog, countDialog);
}

void MainWindow::syncMenu() {
    const run::DesktopState& desktop = session_.desktop;
    const run::RunSettings& settings = session_.settings;
    // While a go step runs its test, nothing may start another step inside it.
    const bool available = idle();
    openAction_->setEnabled(available);
    exitAction_->setEnabled(available);
    optionsMenu_->setEnabled(available && desktop.optionsEnabled);
    optionsMenu_->menuAction()->setEnabled(available && desktop.optionsEnabled);
    // Labels and selections are of a data file's numbering: none with the
    // extended analysis.
    const bool exact = !settings.extended;
    for (QAction* numbered : {labelFileAction_, samplesAction_, lociAction_}) numbered->setEnabled(exact);
    goAction_->setEnabled(available && desktop.goEnabled);
    // The check marks show what the next go step is asked to do.
    labelFileAction_->setChecked(settings.useLabels);
    samplesAction_->setChecked(settings.selectPops);
    lociAction_->setChecked(settings.selectLoci);
    testingAction_->setChecked(settings.testingOn);
    recentMenu_->menuAction()->setEnabled(available && !recentMenu_->isEmpty());
    bootstrapAction_->setChecked(settings.bootstrapOn);
    exportTablesAction_->setEnabled(available && session_.results.runDone);
}

void MainWindow::exportTables() {
    if (!session_.results.runDone) return;
    try {
        QString written;
        for (const std::string& path : run::writeResultTables(session_))
            written += QStringLiteral("\n") + QString::fromStdString(path);
        dialogs_.message(this, MessageKind::Information,
                         QStringLiteral("The tables of the last run were written:") + written);
    } catch (const base::FatalError& e) {
        dialogs_.message(this, MessageKind::Error, displayText(e.what()));
    }
}

void MainWindow::showStatus(const QString& text) {
    statusLabel_->setText(text);
    // The whole text, also when the window is too narrow for it.
    statusLabel_->setToolTip(text);
}

void MainWindow::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        QString shown = QDir::toNativeSeparators(files[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        item->setObjectName(QStringLiteral("mRecent%1").arg(i + 1));
        const QString path = files[i];
        connect(item, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
    syncMenu();
}

void MainWindow::runCommand(const std::function<void()>& command) {
    if (!idle()) return;
    command();
}

void MainWindow::onTriggered(QAction* action, void (MainWindow::*command)()) {
    connect(action, &QAction::triggered, this,
            [this, command] { runCommand([this, command] { (this->*command)(); }); });
}

void MainWindow::guarded(const std::function<void()>& work) {
    try {
        work();
        return;
    } catch (const base::FatalError& failure) {
        dialogs_.message(this, MessageKind::Error, displayText(failure.what()));
    } catch (const std::exception& failure) {
        dialogs_.message(this, MessageKind::Error, displayText(failure.what()));
    }
    progressPanel_->hide();
    running_ = false;
    ended_ = true;
    syncMenu();
    endProgram(1);
}

void MainWindow::endProgram(int code) {
    ended_ = true;
    saveMainWindowGeometry(saveGeometry());
    endProgram_(code);
}

void MainWindow::closeGraph() {
    PlotWindow* graph = graph_.data();
    destroyGraph(session_, graph);
    graph_ = graph;
    session_.desktop.graphShown = false;
}

void MainWindow::openChosenFile() {
    openFrom([this] { return dialogs_.chooseFile(*openDataDialog_); });
}

void MainWindow::openFile(const QString& path) {
    const std::string before = session_.settings.openedPath;
    runCommand([&] { openFrom([&path] { return std::optional<QString>(path); }); });
    // A file dropped or given at start: the caption names it at once, so it
    // never names the file opened before.
    const run::RunSettings& settings = session_.settings;
    const bool opened = settings.fileOpen && (settings.openedPath != before ||
                                              settings.openedPath == QDir::toNativeSeparators(path).toStdString());
    if (opened) {
        session_.desktop.caption = "ZELTRIC: " + QFileInfo(path).fileName().toStdString();
        setWindowTitle(QString::fromStdString(session_.desktop.caption));
    }
}

void MainWindow::openFrom(const std::function<std::optional<QString>()>& choose) {
    guarded([&] {
        closeGraph();
        resultsView_->clear();
        const std::optional<QString> path = choose();
        if (path) {
            const std::string chosen = QDir::toNativeSeparators(*path).toStdString();
            const bool fstat = openDataDialog_->selectedNameFilter().startsWith(QStringLiteral("FSTAT"));
            if (!fstat && isExtendedOnlyFile(chosen)) {
                const QString name = QFileInfo(*path).fileName();
                const auto progress = [this, name](std::size_t loci) {
                    showStatus(QStringLiteral("Reading %1: %2 loci").arg(name).arg(loci));
                    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                };
                showStatus(QStringLiteral("Reading %1").arg(name));
                if (!openExtendedFile(*this, chosen, progress)) {
                    showStatus(QString());
                    return;
                }
            } else if (!openForeignFile(*this, chosen, fstat)) {
                run::openStep(session_, port_, chosen);
            }
            const QFileInfo opened(*path);
            setRecentFiles(withRecentFile(recentFiles(), opened.absoluteFilePath()));
            rebuildRecentMenu();
            // The next File > Open starts in this file's folder.
            openDataDialog_->setDirectory(opened.absolutePath());
            showStatus(openStatus(session_));
        }
    });
    syncMenu();
}

void MainWindow::openRecentFile(const QString& path) {
    runCommand([&] {
        if (!QFileInfo(path).isFile()) {
            QStringList files = recentFiles();
            files.removeAll(path);
            setRecentFiles(files);
            rebuildRecentMenu();
            dialogs_.message(
                this, MessageKind::Information,
                QString::fromStdString(base::recentFileGoneMessage(QDir::toNativeSeparators(path).toStdString())));
            return;
        }
        openFrom([&path] { return std::optional<QString>(path); });
    });
}

std::optional<QString> MainWindow::droppableFile(const QMimeData* mime) const {
    if (!idle() || mime == nullptr || !mime->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
    const QString path = urls.front().toLocalFile();
    if (!QFileInfo(path).isFile()) return std::nullopt;
    return path;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (droppableFile(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (droppableFile(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::optional<QString> path = droppableFile(event->mimeData());
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openFile(*path);
}

void MainWindow::exitProgram() {
    guarded([this] {
        if (session_.desktop.graphShown) {
            PlotWindow* graph = graph_.data();
            releaseRun(session_, graph);
            graph_ = graph;
        }
        if (!run::exitStep(session_)) {
            dialogs_.message(this, MessageKind::Error,
                             QString::fromStdString(base::seedsNotSavedMessage(session_.settings.seedFileName)));
        }
    });
    if (!ended_) {
        endProgram(0);
    }
}

void MainWindow::chooseLabelFile() {
    const std::optional<QString> chosen = dialogs_.chooseFile(*openLabelDialog_);
    std::optional<std::string> path;
    if (chosen) {
        path = QDir::toNativeSeparators(*chosen).toStdString();
    }
    try {
        run::labelCommand(session_, path);
    } catch (const base::FatalError& failure) {
        // An unreadable label file leaves the numbers as labels and the item
        // unchecked: reported, and the program goes on.
        dialogs_.message(this, MessageKind::Error, displayText(failure.what()));
    }
    syncMenu();
}

void MainWindow::pickSamples() {
    guarded([this] { runPopulationCommand(session_, this, dialogs_); });
    syncMenu();
}

void MainWindow::pickLoci() {
    guarded([this] { runLocusCommand(session_, this, dialogs_); });
    syncMenu();
}

void MainWindow::toggleTesting() {
    guarded([this] { run::testingToggle(session_, port_); });
    syncMenu();
}

void MainWindow::toggleBootstrap() {
    if (bootstrapDialog_ == nullptr) {
        bootstrapDialog_ = new CountDialog(this);
        bootstrapDialog_->setObjectName(QStringLiteral("fnbootstrap"));
        bootstrapDialog_->setWindowTitle(QStringLiteral("Number of bootstrap replicates"));
        bootstrapDialog_->setQuestion(QString::fromStdString(base::replicateCountQuestion()));
    }
    guarded([this] {
        run::bootstrapToggle(
            session_, [this](const std::string& offered) { return bootstrapDialog_->prompt(offered, dialogs_); });
    });
    syncMenu();
}

void MainWindow::runAnalysis() {
    if (!session_.desktop.goEnabled) {
        return;
    }
    running_ = true;
    closePending_ = false;
    syncMenu();
    guarded([this] {
        QElapsedTimer clock;
        clock.start();
        if (session_.settings.extended) {
            const std::size_t loci = session_.settings.extended->data.loci();
            run::ExtendedGoStep(session_, port_, [this, loci](std::size_t done) {
                showStatus(QStringLiteral("Analysing: %1 of %2 loci").arg(done).arg(loci));
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
        } else {
            run::goStep(session_, port_);
        }
        const qint64 elapsed = clock.elapsed();
        closeGraph();
        if (session_.results.runDone) {
            graph_ = launchGraph(session_);
            session_.desktop.graphShown = !graph_.isNull();
            if (!graph_.isNull()) placeBeside(*graph_, *this);
            showStatus(goStatus(session_, elapsed));
        }
    });
    running_ = false;
    syncMenu();
    if (closePending_ && !ended_) {
        close();
    }
}

void MainWindow::showManual() {
    const QString manual = findManual(manualSearchPath_);
    if (manual.isEmpty()) {
        dialogs_.message(this, MessageKind::Information,
                         QString::fromStdString(base::manualNotFoundMessage(
                             kManualFileName, manualSearchPath_.join(QLatin1Char('\n')).toStdString())));
        return;
    }
    if (helpViewer_.isNull()) {
        helpViewer_ = new HelpViewer(manual, this);
    }
    helpViewer_->show();
    helpViewer_->raise();
    helpViewer_->activateWindow();
}

void MainWindow::showAbout() { showAboutBox(this, dialogs_); }

void MainWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        // Closing during a test: cancel it; the window closes when the go
        // step has unwound.
        closePending_ = true;
        progressPanel_->requestCancel();
        event->ignore();
        return;
    }
    // Closing by the frame ends the program without saving the seeds.
    closeGraph();
    if (!helpViewer_.isNull()) {
        helpViewer_->close();
    }
    event->accept();
    if (!ended_) {
        endProgram(0);
    }
}

}  // namespace zeltric::ui
