#include "ui/dialog_seam.hpp"

#include <QFileDialog>
#include <QMessageBox>

#include "base/messages.hpp"
#include "run/session.hpp"

namespace zeltric::ui {

std::optional<QString> DialogSeam::chooseFile(QFileDialog& dialog) {
    ++fileDialogsShown;
    if (!nextFiles_.empty()) {
        const ScriptedFile answer = nextFiles_.front();
        nextFiles_.pop_front();
        if (!answer.chosen) {
            return std::nullopt;
        }
        return answer.path;
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
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
    if (kind == MessageKind::Information) {
        informations.push_back(text);
    } else {
        errors.push_back(text);
    }
    if (recordMessages_) {
        return;
    }
    const QString title = QString::fromUtf8(run::kApplicationTitle);
    if (kind == MessageKind::Information) {
        QMessageBox::information(parent, title, text);
    } else {
        QMessageBox::critical(parent, title, text);
    }
}

QString displayText(const std::string& text) {
    const std::string shown = data::displayLineEnds(text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

}  // namespace zeltric::ui
