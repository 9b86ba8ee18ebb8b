#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

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
    // Shows an information or error box with one OK button.
    void message(QWidget* parent, MessageKind kind, const QString& text);

    // Test hooks: the next file dialog returns `path` (nothing = cancelled)
    // without being shown.
    void setNextFileName(const std::optional<QString>& path) {
        nextFiles_.push_back({path.has_value(), path.value_or(QString())});
    }
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
    bool recordMessages_ = false;
};

// Message texts come from the core with LF CR between lines; shown with LF.
QString displayText(const std::string& text);

}  // namespace zeltric::ui
