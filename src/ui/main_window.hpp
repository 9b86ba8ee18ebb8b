#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "run/session.hpp"
#include "ui/dialog_seam.hpp"
#include "ui/qt_user_interface.hpp"

class QAction;
class QFileDialog;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMimeData;
class QMenu;
class QPlainTextEdit;

namespace zeltric::ui {

class PlotWindow;
class HelpViewer;
class SeedDialog;
class CountDialog;

// The main window: the menu that drives every step and the results view.
// Handlers move values between the widgets and the session; the steps do the
// work. Enabled states and check marks mirror session.menu.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(run::Session& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setPromptDialogs(SeedDialog* seedDialog, CountDialog* countDialog);
    run::UserInterface& port() { return port_; }
    DialogSeam& dialogs() { return dialogs_; }
    run::Session& session() { return session_; }
    PlotWindow* graph() const;
    HelpViewer* helpViewer() const;

    // How the program ends; QCoreApplication::exit by default. A test puts
    // a recorder here.
    void setEndProgram(std::function<void(int)> endProgram) { endProgram_ = std::move(endProgram); }
    // Folders searched for the manual (tests point it elsewhere).
    void setManualSearchPath(QStringList folders) { manualSearchPath_ = std::move(folders); }

    // True while a go step runs (its permutation test processes events).
    bool busy() const { return running_; }

    QPlainTextEdit* Memo1;
    QFileDialog* mOpenDlg;
    QFileDialog* labOpenDlg;
    QMenu* mFile;
    QAction* mfopen;
    QAction* Exit1;
    QMenu* moptions;
    QAction* mLabelfile;
    QAction* mPopstouse1;
    QAction* mLocitouse1;
    QAction* N1;
    QAction* mTesting;
    QAction* mBootstrap;
    QAction* mGo;
    QMenu* mHelp;
    QAction* mContents;
    QAction* mAbout1;
    ProgressPanel* progress;
    // Added to the Parts' menus, at the ends: File > Open Recent and the
    // status line (the progress panel lives in the status bar beside it).
    QMenu* mRecent;
    QLabel* statusText;

    void mfopenClick();
    void Exit1Click();
    void mLabelfileClick();
    void mPopstouse1Click();
    void mLocitouse1Click();
    void mTestingClick();
    void mBootstrapClick();
    void mGoClick();
    void mContentsClick();
    void mAbout1Click();

    // Copies session.menu (and the busy state) into the actions.
    void syncMenu();

    // Opens `path` as File > Open opens a chosen file (a dropped file, an
    // Open Recent item); ignored while a test runs.
    void openFile(const QString& path);
    // An Open Recent item: a file that no longer exists is reported and
    // removed from the list instead.
    void openRecentFile(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Runs a handler's work; a fatal input error shows the error box and
    // ends the program with exit code 1.
    void guarded(const std::function<void()>& work);
    void endProgram(int code);
    void closeGraph();
    void openFrom(const std::function<std::optional<QString>()>& choose);
    void rebuildRecentMenu();
    void showStatus(const QString& text);
    // The one local file a drag carries, if it may be opened now.
    std::optional<QString> droppableFile(const QMimeData* mime) const;

    run::Session& session_;
    DialogSeam dialogs_;
    QtUserInterface port_;
    QPointer<PlotWindow> graph_;
    QPointer<HelpViewer> helpViewer_;
    CountDialog* bootstrapDialog_ = nullptr;  // the replicate count, made on first use
    QStringList manualSearchPath_;
    std::function<void(int)> endProgram_;
    bool running_ = false;
    bool closePending_ = false;
    bool ended_ = false;
};

}  // namespace zeltric::ui
