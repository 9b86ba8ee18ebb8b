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
// work. Enabled states mirror the session's desktop state, check marks its
// run settings. Tests reach the controls by their object names.
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

    // Copies the enabled states, the check marks (and the busy state) into the actions.
    void syncMenu();

    // Opens `path` as File > Open opens a chosen file (a dropped file, an
    // Open Recent item, a file named at start); ignored while a test runs.
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
    // The menu's commands; each runs through runCommand.
    void openChosenFile();
    void exitProgram();
    void chooseLabelFile();
    void pickSamples();
    void pickLoci();
    void toggleTesting();
    void toggleBootstrap();
    void runAnalysis();
    void showManual();
    void showAbout();
    // File > Export tables: the last run's CSV tables beside its outputs.
    void exportTables();

    // No command starts while a go step runs (its test processes events)
    // or after the program has ended: the one guard of every command.
    bool idle() const { return !running_ && !ended_; }
    void runCommand(const std::function<void()>& command);
    void onTriggered(QAction* action, void (MainWindow::*command)());
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

    QPlainTextEdit* resultsView_;
    QFileDialog* openDataDialog_;
    QFileDialog* openLabelDialog_;
    QMenu* fileMenu_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QAction* labelFileAction_ = nullptr;
    QAction* samplesAction_ = nullptr;
    QAction* lociAction_ = nullptr;
    QAction* testingAction_ = nullptr;
    QAction* bootstrapAction_ = nullptr;
    QAction* goAction_ = nullptr;
    QAction* exportTablesAction_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* contentsAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    ProgressPanel* progressPanel_;
    // Added after the original menu items: File > Open Recent and the
    // status line (the progress panel lives in the status bar beside it).
    QMenu* recentMenu_ = nullptr;
    QLabel* statusLabel_ = nullptr;

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
