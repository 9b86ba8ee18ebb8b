#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

class QDialog;
class QFileDialog;
class QWidget;

namespace zeltric::ui {

enum class MessageKind { Information, Error };

// Every modal box and file dialog of the main window is reached through this
// object, so a test can answer in advance instead of leaving a modal loop
// running. Without scripted answers the real dialogs are shown.
class DialogSeam {
public:
    // Shows the file dialog modally: the chosen path, or nothing on cancel.
    std::optional<QString> chooseFile(QFileDialog& dialog);
    // Shows a dialog modally; true when accepted.
    bool runDialog(QDialog& dialog);
    // Shows an information or error box with one OK button.
    void message(QWidget* parent, MessageKind kind, const QString& text);

    // Test hooks: the next file dialog returns `path` (nothing = cancelled)
    // without being shown.
    void setNextFileName(const std::optional<QString>& path) {
        nextFiles_.push_back({path.has_value(), path.value_or(QString())});
    }
    // Test hook: the next runDialog calls `answer` instead of showing the
    // dialog; it may fill the controls and returns whether OK was chosen.
    void setNextDialogAnswer(std::function<bool(QDialog&)> answer) { nextDialogs_.push_back(std::move(answer)); }
    // While recording, boxes are not shown; their texts are kept instead.
    void setRecordMessages(bool on) { recordMessages_ = on; }

    QStringList informations;
    QStringList errors;
    int fileDialogsShown = 0;

private:
    struct ScriptedFile {
        bool chosen;
        QString path;
    };
    std::deque<ScriptedFile> nextFiles_;
    std::deque<std::function<bool(QDialog&)>> nextDialogs_;
    bool recordMessages_ = false;
};

// Message texts come from the core with LF CR between lines; shown with LF.
QString displayText(const std::string& text);

}  // namespace zeltric::ui
