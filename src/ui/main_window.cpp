#include "ui/main_window.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <exception>

#include "base/fatal_error.hpp"
#include "run/label_command.hpp"
#include "run/go_step.hpp"
#include "run/steps.hpp"
#include "ui/about_box.hpp"
#include "ui/help_viewer.hpp"
#include "ui/number_dialogs.hpp"
#include "ui/pick_dialogs.hpp"
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

}  // namespace

Tfpca::Tfpca(run::Session& session, QWidget* parent)
    : QMainWindow(parent),
      Memo1(new QPlainTextEdit),
      mOpenDlg(openDialog(this, "mOpenDlg", QStringLiteral("data files (*.dat)"))),
      labOpenDlg(openDialog(this, "labOpenDlg", QStringLiteral("label files (*.*)"))),
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
    layout->addWidget(progress);
    progress->hide();
    setCentralWidget(client);

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

    mGo = namedAction(bar->addAction(QStringLiteral("&Go")), "mGo");

    mHelp = bar->addMenu(QStringLiteral("&Help"));
    mHelp->setObjectName(QStringLiteral("mHelp"));
    mContents = namedAction(mHelp->addAction(QStringLiteral("&Contents")), "mContents");
    mAbout1 = namedAction(mHelp->addAction(QStringLiteral("&About")), "mAbout1");

    // The check marks are session state: a click runs the handler, which
    // decides the mark; syncMenu then shows it.
    connect(mfopen, &QAction::triggered, this, &Tfpca::mfopenClick);
    connect(Exit1, &QAction::triggered, this, &Tfpca::Exit1Click);
    connect(mLabelfile, &QAction::triggered, this, &Tfpca::mLabelfileClick);
    connect(mPopstouse1, &QAction::triggered, this, &Tfpca::mPopstouse1Click);
    connect(mLocitouse1, &QAction::triggered, this, &Tfpca::mLocitouse1Click);
    connect(mTesting, &QAction::triggered, this, &Tfpca::mTestingClick);
    connect(mGo, &QAction::triggered, this, &Tfpca::mGoClick);
    connect(mContents, &QAction::triggered, this, &Tfpca::mContentsClick);
    connect(mAbout1, &QAction::triggered, this, &Tfpca::mAbout1Click);

    manualSearchPath_ = manualSearchPath(QCoreApplication::applicationDirPath());
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
    endProgram_(code);
}

void Tfpca::closeGraph() {
    TfGraph* graph = graph_.data();
    destroyGraph(session_, graph);
    graph_ = graph;
    session_.graphShown = false;
}

void Tfpca::mfopenClick() {
    if (running_ || ended_) {
        return;
    }
    guarded([this] {
        closeGraph();
        Memo1->clear();
        const std::optional<QString> path = dialogs_.chooseFile(*mOpenDlg);
        if (path) {
            run::openStep(session_, port_, QDir::toNativeSeparators(*path).toStdString());
        }
    });
    syncMenu();
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
                             QStringLiteral("The seeds could not be saved: the file %1 could not be written.")
                                 .arg(QString::fromStdString(session_.seedFileName)));
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

void Tfpca::mGoClick() {
    if (running_ || ended_ || !session_.menu.goEnabled) {
        return;
    }
    running_ = true;
    closePending_ = false;
    syncMenu();
    guarded([this] {
        run::goStep(session_, port_);
        closeGraph();
        if (session_.runDone) {
            graph_ = launchGraph(session_);
            session_.graphShown = !graph_.isNull();
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
