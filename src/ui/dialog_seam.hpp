#pragma once

#include <QFileDialog>
#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace zeltric::ui {

enum class MessageKind { Information, Error };

// Every modal of a window (file, font and colour dialogs, the other dialogs,
// message boxes) is reached through its window's seam, so a test can answer
// in advance instead of leaving a modal loop running. Without scripted
// answers the real dialogs are shown.
class DialogSeam {
public:
    // Shows the file dialog modally: the chosen path, or nothing on cancel.
    std::optional<QString> chooseFile(QFileDialog& dialog);
    // The save dialog: the name typed, or nothing on cancel. The real dialog
    // sets `selectedFilter` (when given) to the filter chosen; a scripted
    // answer leaves it empty, the name standing as given.
    std::optional<QString> chooseSaveFile(QWidget* parent, const QString& caption, const QString& filter,
                                          QString* selectedFilter = nullptr, QFileDialog::Options options = {});
    // The same save dialog with one check box under it (`checkText`, object
    // name `checkName`) showing and returning `checked`. A scripted answer
    // sets `checked` from setNextCheck when one was given.
    std::optional<QString> chooseSaveFileWithCheck(QWidget* parent, const QString& caption, const QString& filter,
                                                   QString* selectedFilter, const QString& checkText,
                                                   const QString& checkName, bool& checked);
    // The font dialog proposing `proposed`: the font confirmed, or nothing.
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& proposed);
    // Shows a dialog modally; true when accepted.
    bool runDialog(QDialog& dialog);
    // Shows an information or error box with one OK button, under the
    // program's title or the one given.
    void message(QWidget* parent, MessageKind kind, const QString& text);
    void message(QWidget* parent, MessageKind kind, const QString& text, const QString& title);

    // Test hooks: the next file or save dialog returns `path` (nothing =
    // cancelled) without being shown.
    void setNextFileName(const std::optional<QString>& path) {
        nextFiles_.push_back({path.has_value(), path.value_or(QString())});
    }
    // Test hook: the check box of the next save dialog with one is set so.
    void setNextCheck(bool checked) { nextChecks_.push_back(checked); }
    // Test hook: the next font dialog returns `font` (nothing = cancelled).
    void setNextFont(const std::optional<QFont>& font) { nextFonts_.push_back(font); }
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
    std::optional<ScriptedFile> takeScriptedFile();

    std::deque<ScriptedFile> nextFiles_;
    std::deque<std::optional<QFont>> nextFonts_;
    std::deque<bool> nextChecks_;
    std::deque<std::function<bool(QDialog&)>> nextDialogs_;
    bool recordMessages_ = false;
};

// Message texts come from the core with LF CR between lines; shown with LF.
QString displayText(const std::string& text);

}  // namespace zeltric::ui
