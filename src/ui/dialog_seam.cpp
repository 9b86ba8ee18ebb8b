#include "ui/dialog_seam.hpp"

#include <QCheckBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>

#include "base/messages.hpp"
#include "run/session.hpp"

namespace zeltric::ui {

std::optional<DialogSeam::ScriptedFile> DialogSeam::takeScriptedFile() {
    if (nextFiles_.empty()) return std::nullopt;
    const ScriptedFile answer = nextFiles_.front();
    nextFiles_.pop_front();
    return answer;
}

std::optional<QString> DialogSeam::chooseFile(QFileDialog& dialog) {
    ++fileDialogsShown;
    if (const std::optional<ScriptedFile> answer = takeScriptedFile()) {
        if (!answer->chosen) {
            return std::nullopt;
        }
        return answer->path;
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

std::optional<QString> DialogSeam::chooseSaveFile(QWidget* parent, const QString& caption, const QString& filter,
                                                  QString* selectedFilter, QFileDialog::Options options) {
    ++fileDialogsShown;
    if (const std::optional<ScriptedFile> answer = takeScriptedFile()) {
        if (selectedFilter != nullptr) selectedFilter->clear();
        if (!answer->chosen || answer->path.isEmpty()) return std::nullopt;
        return answer->path;
    }
    const QString name = QFileDialog::getSaveFileName(parent, caption, QString(), filter, selectedFilter, options);
    if (name.isEmpty()) return std::nullopt;
    return name;
}

std::optional<QString> DialogSeam::chooseSaveFileWithCheck(QWidget* parent, const QString& caption,
                                                           const QString& filter, QString* selectedFilter,
                                                           const QString& checkText, const QString& checkName,
                                                           bool& checked) {
    if (!nextFiles_.empty()) {
        if (!nextChecks_.empty()) {
            checked = nextChecks_.front();
            nextChecks_.pop_front();
        }
        return chooseSaveFile(parent, caption, filter, selectedFilter);
    }
    ++fileDialogsShown;
    // The platform's own dialog takes no extra control: Qt's does.
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (selectedFilter != nullptr && !selectedFilter->isEmpty()) dialog.selectNameFilter(*selectedFilter);
    auto* box = new QCheckBox(checkText, &dialog);
    box->setObjectName(checkName);
    box->setChecked(checked);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
    else if (dialog.layout() != nullptr)
        dialog.layout()->addWidget(box);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    checked = box->isChecked();
    if (selectedFilter != nullptr) *selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}

std::optional<QFont> DialogSeam::chooseFont(QWidget* parent, const QFont& proposed) {
    if (!nextFonts_.empty()) {
        const std::optional<QFont> answer = nextFonts_.front();
        nextFonts_.pop_front();
        return answer;
    }
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, proposed, parent);
    if (!ok) return std::nullopt;
    return font;
}

bool DialogSeam::runDialog(QDialog& dialog) {
    if (!nextDialogs_.empty()) {
        const std::function<bool(QDialog&)> answer = std::move(nextDialogs_.front());
        nextDialogs_.pop_front();
        return answer(dialog);
    }
    return dialog.exec() == QDialog::Accepted;
}

void DialogSeam::message(QWidget* parent, MessageKind kind, const QString& text) {
    message(parent, kind, text, QString::fromUtf8(run::kApplicationTitle));
}

void DialogSeam::message(QWidget* parent, MessageKind kind, const QString& text, const QString& title) {
    if (kind == MessageKind::Information) {
        informations.push_back(text);
    } else {
        errors.push_back(text);
    }
    if (recordMessages_) {
        return;
    }
    if (kind == MessageKind::Information) {
        QMessageBox::information(parent, title, text);
    } else {
        QMessageBox::critical(parent, title, text);
    }
}

QString displayText(const std::string& text) {
    const std::string shown = base::displayLineEnds(text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

}  // namespace zeltric::ui
