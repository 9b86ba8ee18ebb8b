#pragma once

#include <QWidget>

#include "run/user_interface.hpp"
#include "ui/dialog_seam.hpp"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace zeltric::ui {

class SeedDialog;
class CountDialog;

// The progress bar with its Cancel button, along the bottom of the main
// window; hidden while no permutation test runs.
class ProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent = nullptr);

    // Shown at 0 of `maximum`, the cancel request cleared.
    void start(int maximum);
    void step(int position);
    void finish();
    // Cancel (or closing the window) asks the running test to stop.
    void requestCancel() { cancelRequested_ = true; }
    bool cancelRequested() const { return cancelRequested_; }

private:
    QProgressBar* bar_;
    QPushButton* cancelButton_;
    bool cancelRequested_ = false;
};

// The user-interface port on Qt widgets: boxes through the dialog seam, the
// two number dialogs, the results view, the caption and the progress panel.
class QtUserInterface : public run::UserInterface {
public:
    QtUserInterface(QWidget& window, QPlainTextEdit& resultsView, ProgressPanel& progress, DialogSeam& dialogs);

    void setPromptDialogs(SeedDialog* seedDialog, CountDialog* countDialog);

    void information(const std::string& text) override;
    void error(const std::string& text) override;
    std::optional<std::pair<std::string, std::string>> askSeeds() override;
    std::optional<std::string> askCount(const std::string& offered) override;
    void showResults(const std::string& resultsPath) override;
    void setCaption(const std::string& caption) override;
    void progressStart(int maximum) override;
    void progressStep(int position) override;
    void progressEnd() override;
    bool cancelRequested() override;

private:
    QWidget& window_;
    QPlainTextEdit& resultsView_;
    ProgressPanel& progress_;
    DialogSeam& dialogs_;
    SeedDialog* seedDialog_ = nullptr;
    CountDialog* countDialog_ = nullptr;
};

// A text file's content for display: UTF-8 when it decodes as such, else
// Latin-1; CR LF, LF CR and lone CR shown as line breaks.
QString loadTextForDisplay(const QString& path, bool* ok = nullptr);

}  // namespace zeltric::ui
