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
#include "run/go_bootstrap.hpp"
#include "run/label_command.hpp"
#include "run/go_step.hpp"
#include "run/open_summary.hpp"
#include "run/steps.hpp"
#include "ui/about_box.hpp"
#include "ui/desktop_settings.hpp"
#include "ui/help_viewer.hpp"
#include "ui/number_dialogs.hpp"
#include "ui/import_dialog.hpp"
#include "ui/pick_dialogs.hpp"
#include "ui/plot_layout.hpp"
#include "ui/tf_graph.hpp"

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

QString openStatus(const run::Session& session, std::optional<int> individuals) {
    QString text = QStringLiteral("%1: %2, %3")
                       .arg(QFileInfo(QString::fromStdString(session.openedPath)).fileName(),
                            plural(session.opened.np, "sample", "samples"),
                            plural(session.opened.nl, "locus", "loci"));
    if (individuals) text += QStringLiteral(", ") + plural(*individuals, "individual", "individuals");
    return text;
}

QString durationText(qint64 milliseconds) {
    if (milliseconds < 60000) return QStringLiteral("%1 s").arg(static_cast<double>(milliseconds) / 1000.0, 0, 'f', 2);
    const qint64 seconds = (milliseconds + 500) / 1000;
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

QString goStatus(const run::Session& session, qint64 milliseconds) {
    const QString folder =
        QDir::toNativeSeparators(QFileInfo(QString::fromStdString(session.dataFileName)).absolutePath());
    QString text = QStringLiteral("Outputs in %1; the run took %2").arg(folder, durationText(milliseconds));
    if (testWasCancelled(session)) text += QStringLiteral(" (test cancelled)");
    return text;
}

// Beside the main window, right or else left, when the screen has room for
// the plot window's whole frame; otherwise it stays where it was put.
void placeBeside(QWidget& plot, const QWidget& main) {
    const QScreen* screen = main.screen();
    if (screen == nullptr) return;
    const QRect available = screen->availableGeometry();
    const QRect mainFrame = main.frameGeometry();
    // The plot window's frame is not known before the window manager draws
    // it: the main window's frame stands in for it.
    const QSize plotFrame = plot.size() + (mainFrame.size() - main.geometry().size());
    if (plotFrame.height() > available.height()) return;
    const int top = std::clamp(mainFrame.top(), available.top(), available.bottom() + 1 - plotFrame.height());
    if (mainFrame.right() + plotFrame.width() <= available.right()) {
        plot.move(mainFrame.right() + 1, top);
    } else if (mainFrame.left() - plotFrame.width() >= available.left()) {
        plot.move(mainFrame.left() - plotFrame.width(), top);
    }
}

}  // namespace

Tfpca::Tfpca(run::Session& session, QWidget* parent)
    : QMainWindow(parent),
      Memo1(new QPlainTextEdit),
      mOpenDlg(openDialog(this, "mOpenDlg",
                          QStringLiteral("data files (*.dat);;Genepop files (*.gen *.txt);;STRUCTURE files (*.str "
                                         "*.txt);;GENETIX files (*.gtx);;FSTAT files (*.dat);;all files (*)"))),
      // "*" lists every file; "*.*" would hide names without a full stop.
      labOpenDlg(openDialog(this, "labOpenDlg", QStringLiteral("label files (*)"))),
      progress(new ProgressPanel),
      session_(session),
      port_(*this, *Memo1, *progress, dialogs_),
      endProgram_([](int code) { QCoreApplication::exit(code); }) {
    setObjectName(QStringLiteral("fpca"));
    setWindowTitle(QString::fromUtf8(session_.caption.c_str()));
    setWindowIcon(programIcon());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSize(8);
    setFont(windowFont);
    resize(706, 460);

    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The report's columns only line up in a fixed-pitch font.
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* client = new QWidget;
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo1, 1);
    setCentralWidget(client);

    // The status line under the results view; during a test the progress bar
    // and Cancel join it there.
    statusText = new QLabel;
    statusText->setObjectName(QStringLiteral("statusText"));
    // A long path is cut at the window's edge instead of widening the window.
    statusText->setMinimumWidth(1);
    statusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(statusText, 1);
    statusBar()->addPermanentWidget(progress, 2);
    progress->hide();

    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    mFile = bar->addMenu(QStringLiteral("&File"));
    mFile->setObjectName(QStringLiteral("mFile"));
    mfopen = namedAction(mFile->addAction(QStringLiteral("&Open")), "mfopen");
    Exit1 = namedAction(mFile->addAction(QStringLiteral("E&xit")), "Exit1");

    moptions = bar->addMenu(QStringLiteral("O&ptions"));
    moptions->setObjectName(QStringLiteral("moptions"));
    mLabelfile = namedAction(moptions->addAction(QStringLiteral("&Label file for pops")), "mLabelfile");
    mPopstouse1 = namedAction(moptions->addAction(QStringLiteral("Pops to use")), "mPopstouse1");
    mLocitouse1 = namedAction(moptions->addAction(QStringLiteral("Loci to use")), "mLocitouse1");
    N1 = namedAction(moptions->addSeparator(), "N1");
    mTesting = namedAction(moptions->addAction(QStringLiteral("&Testing")), "mTesting");
    for (QAction* checkable : {mLabelfile, mPopstouse1, mLocitouse1, mTesting}) {
        checkable->setCheckable(true);
    }
    mBootstrap = namedAction(moptions->addAction(QStringLiteral("Bootstrap over loci")), "mBootstrap");
    mBootstrap->setCheckable(true);

    mGo = namedAction(bar->addAction(QStringLiteral("&Go")), "mGo");

    mHelp = bar->addMenu(QStringLiteral("&Help"));
    mHelp->setObjectName(QStringLiteral("mHelp"));
    mContents = namedAction(mHelp->addAction(QStringLiteral("&Contents")), "mContents");
    mAbout1 = namedAction(mHelp->addAction(QStringLiteral("&About")), "mAbout1");

    // Appended to the Parts' File menu, after Exit.
    mFile->addSeparator();
    mRecent = mFile->addMenu(QStringLiteral("Open &Recent"));
    mRecent->setObjectName(QStringLiteral("mRecent"));
    mRecent->menuAction()->setObjectName(QStringLiteral("mOpenRecent"));

    mfopen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    mGo->setShortcut(QKeySequence(Qt::Key_F5));
    mContents->setShortcut(QKeySequence(Qt::Key_F1));
    setAcceptDrops(true);
    // A drop on the results view opens the file too, instead of pasting a path.
    Memo1->setAcceptDrops(false);

    // The check marks are session state: a click runs the handler, which
    // decides the mark; syncMenu then shows it.
    connect(mfopen, &QAction::triggered, this, &Tfpca::mfopenClick);
    connect(Exit1, &QAction::triggered, this, &Tfpca::Exit1Click);
    connect(mLabelfile, &QAction::triggered, this, &Tfpca::mLabelfileClick);
    connect(mPopstouse1, &QAction::triggered, this, &Tfpca::mPopstouse1Click);
    connect(mLocitouse1, &QAction::triggered, this, &Tfpca::mLocitouse1Click);
    connect(mTesting, &QAction::triggered, this, &Tfpca::mTestingClick);
    connect(mBootstrap, &QAction::triggered, this, &Tfpca::mBootstrapClick);
    connect(mGo, &QAction::triggered, this, &Tfpca::mGoClick);
    connect(mContents, &QAction::triggered, this, &Tfpca::mContentsClick);
    connect(mAbout1, &QAction::triggered, this, &Tfpca::mAbout1Click);

    manualSearchPath_ = manualSearchPath(QCoreApplication::applicationDirPath());
    // First start: the size above; later starts: as the window was left.
    const QByteArray geometry = savedMainWindowGeometry();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    rebuildRecentMenu();
    syncMenu();
}

Tfpca::~Tfpca() {
    delete graph_.data();
    delete helpViewer_.data();
}

TfGraph* Tfpca::graph() const { return graph_.data(); }

HelpViewer* Tfpca::helpViewer() const { return helpViewer_.data(); }

void Tfpca::setPromptDialogs(TfseedRnd* seedDialog, Tfnbrand* countDialog) {
    port_.setPromptDialogs(seedDialog, countDialog);
}

void Tfpca::syncMenu() {
    const run::MenuState& menu = session_.menu;
    // While a go step runs its test, nothing may start another step inside it.
    const bool idle = !running_ && !ended_;
    mfopen->setEnabled(idle);
    Exit1->setEnabled(idle);
    moptions->setEnabled(idle && menu.optionsEnabled);
    moptions->menuAction()->setEnabled(idle && menu.optionsEnabled);
    mGo->setEnabled(idle && menu.goEnabled);
    mLabelfile->setChecked(menu.labelChecked);
    mPopstouse1->setChecked(menu.popsChecked);
    mLocitouse1->setChecked(menu.lociChecked);
    mTesting->setChecked(menu.testingChecked);
    mRecent->menuAction()->setEnabled(idle && !mRecent->isEmpty());
    mBootstrap->setChecked(menu.bootstrapChecked);
}

void Tfpca::showStatus(const QString& text) {
    statusText->setText(text);
    // The whole text, also when the window is too narrow for it.
    statusText->setToolTip(text);
}

void Tfpca::rebuildRecentMenu() {
    mRecent->clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        QString shown = QDir::toNativeSeparators(files[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = mRecent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        item->setObjectName(QStringLiteral("mRecent%1").arg(i + 1));
        const QString path = files[i];
        connect(item, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
    syncMenu();
}

void Tfpca::guarded(const std::function<void()>& work) {
    try {
        work();
        return;
    } catch (const data::FatalError& failure) {
        dialogs_.message(this, MessageKind::Error, displayText(failure.what()));
    } catch (const std::exception& failure) {
        dialogs_.message(this, MessageKind::Error, displayText(failure.what()));
    }
    progress->hide();
    running_ = false;
    ended_ = true;
    syncMenu();
    endProgram(1);
}

void Tfpca::endProgram(int code) {
    ended_ = true;
    saveMainWindowGeometry(saveGeometry());
    endProgram_(code);
}

void Tfpca::closeGraph() {
    TfGraph* graph = graph_.data();
    destroyGraph(session_, graph);
    graph_ = graph;
    session_.graphShown = false;
}

void Tfpca::mfopenClick() {
    openFrom([this] { return dialogs_.chooseFile(*mOpenDlg); });
}

void Tfpca::openFile(const QString& path) {
    openFrom([&path] { return std::optional<QString>(path); });
}

void Tfpca::openFrom(const std::function<std::optional<QString>()>& choose) {
    if (running_ || ended_) {
        return;
    }
    guarded([&] {
        closeGraph();
        Memo1->clear();
        const std::optional<QString> path = choose();
        if (path) {
            const std::string chosen = QDir::toNativeSeparators(*path).toStdString();
            const bool fstat = mOpenDlg->selectedNameFilter().startsWith(QStringLiteral("FSTAT"));
            if (!openForeignFile(*this, chosen, fstat)) run::openStep(session_, port_, chosen);
            const QFileInfo opened(*path);
            setRecentFiles(withRecentFile(recentFiles(), opened.absoluteFilePath()));
            rebuildRecentMenu();
            // The next File > Open starts in this file's folder.
            mOpenDlg->setDirectory(opened.absolutePath());
            showStatus(openStatus(session_, run::countIndividuals(session_)));
        }
    });
    syncMenu();
}

void Tfpca::openRecentFile(const QString& path) {
    if (running_ || ended_) {
        return;
    }
    if (!QFileInfo(path).isFile()) {
        QStringList files = recentFiles();
        files.removeAll(path);
        setRecentFiles(files);
        rebuildRecentMenu();
        dialogs_.message(this, MessageKind::Information,
                         QString::fromStdString(data::recentFileGoneMessage(QDir::toNativeSeparators(path).toStdString())));
        return;
    }
    openFile(path);
}

std::optional<QString> Tfpca::droppableFile(const QMimeData* mime) const {
    if (running_ || ended_ || mime == nullptr || !mime->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
    const QString path = urls.front().toLocalFile();
    if (!QFileInfo(path).isFile()) return std::nullopt;
    return path;
}

void Tfpca::dragEnterEvent(QDragEnterEvent* event) {
    if (droppableFile(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void Tfpca::dragMoveEvent(QDragMoveEvent* event) {
    if (droppableFile(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void Tfpca::dropEvent(QDropEvent* event) {
    const std::optional<QString> path = droppableFile(event->mimeData());
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openFile(*path);
}

void Tfpca::Exit1Click() {
    if (running_ || ended_) {
        return;
    }
    guarded([this] {
        if (session_.graphShown) {
            TfGraph* graph = graph_.data();
            releaseRun(session_, graph);
            graph_ = graph;
        }
        if (!run::exitStep(session_)) {
            dialogs_.message(this, MessageKind::Error,
                             QString::fromStdString(data::seedsNotSavedMessage(session_.seedFileName)));
        }
    });
    if (!ended_) {
        endProgram(0);
    }
}

void Tfpca::mLabelfileClick() {
    if (running_ || ended_) {
        return;
    }
    const std::optional<QString> chosen = dialogs_.chooseFile(*labOpenDlg);
    std::optional<std::string> path;
    if (chosen) {
        path = QDir::toNativeSeparators(*chosen).toStdString();
    }
    try {
        run::labelCommand(session_, path);
    } catch (const data::FatalError& failure) {
        // An unreadable label file leaves the numbers as labels and the item
        // unchecked: reported, and the program goes on.
        dialogs_.message(this, MessageKind::Error, displayText(failure.what()));
    }
    syncMenu();
}

void Tfpca::mPopstouse1Click() {
    if (running_ || ended_) {
        return;
    }
    guarded([this] { runPopulationCommand(session_, this); });
    syncMenu();
}

void Tfpca::mLocitouse1Click() {
    if (running_ || ended_) {
        return;
    }
    guarded([this] { runLocusCommand(session_, this); });
    syncMenu();
}

void Tfpca::mTestingClick() {
    if (running_ || ended_) {
        return;
    }
    guarded([this] { run::testingToggle(session_, port_); });
    syncMenu();
}

void Tfpca::mBootstrapClick() {
    if (running_ || ended_) {
        return;
    }
    if (bootstrapDialog_ == nullptr) {
        bootstrapDialog_ = new Tfnbrand(this);
        bootstrapDialog_->setObjectName(QStringLiteral("fnbootstrap"));
        bootstrapDialog_->setWindowTitle(QStringLiteral("Number of bootstrap replicates"));
        bootstrapDialog_->lnbrand->setText(QStringLiteral("Number of replicates ? [100..100000]"));
    }
    guarded([this] {
        run::bootstrapToggle(session_, [this](const std::string& offered) { return bootstrapDialog_->prompt(offered); });
    });
    syncMenu();
}

void Tfpca::mGoClick() {
    if (running_ || ended_ || !session_.menu.goEnabled) {
        return;
    }
    running_ = true;
    closePending_ = false;
    syncMenu();
    guarded([this] {
        QElapsedTimer clock;
        clock.start();
        run::goStep(session_, port_);
        const qint64 elapsed = clock.elapsed();
        closeGraph();
        if (session_.runDone) {
            graph_ = launchGraph(session_);
            session_.graphShown = !graph_.isNull();
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

void Tfpca::mContentsClick() {
    const QString manual = findManual(manualSearchPath_);
    if (manual.isEmpty()) {
        dialogs_.message(this, MessageKind::Information,
                         QStringLiteral("The manual %1 was not found. It was looked for in:\n%2")
                             .arg(QString::fromLatin1(kManualFileName), manualSearchPath_.join(QLatin1Char('\n'))));
        return;
    }
    if (helpViewer_.isNull()) {
        helpViewer_ = new HelpViewer(manual, this);
    }
    helpViewer_->show();
    helpViewer_->raise();
    helpViewer_->activateWindow();
}

void Tfpca::mAbout1Click() { showAboutBox(this); }

void Tfpca::closeEvent(QCloseEvent* event) {
    if (running_) {
        // Closing during a test: cancel it; the window closes when the go
        // step has unwound.
        closePending_ = true;
        progress->cancelPressed = true;
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
