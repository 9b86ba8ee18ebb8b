#pragma once

// Helpers shared by the window tests: answering modal dialogs in advance and
// a small data file.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <functional>
#include <string>

namespace zeltric::test {

// The control named `name` (its object name) of type T inside `root`, `root`
// itself included. A missing or doubled name stops the test program with a
// message naming the control, instead of a null pointer further on.
template <typename T>
T* control(const QObject& root, const char* name) {
    const QString wanted = QString::fromLatin1(name);
    QList<T*> found = root.findChildren<T*>(wanted);
    if (auto* self = qobject_cast<T*>(const_cast<QObject*>(&root)); self != nullptr && root.objectName() == wanted)
        found.prepend(self);
    if (found.size() != 1) {
        qFatal("window test: %s control \"%s\" (%s) in \"%s\"", found.isEmpty() ? "no" : "more than one", name,
               T::staticMetaObject.className(), qPrintable(root.objectName()));
    }
    return found.front();
}

template <typename T>
T* control(const QObject* root, const char* name) {
    if (root == nullptr) qFatal("window test: no window to find the control \"%s\" in", name);
    return control<T>(*root, name);
}

// Answers modal dialogs in the order they are shown. Each showing of a dialog
// (its Show event) takes the next scripted action, run from inside the
// dialog's own event loop. A dialog shown with no action left is rejected and
// counted, so a faulty test fails instead of hanging.
class ModalScript : public QObject {
public:
    using Action = std::function<void(QDialog&)>;

    ModalScript() { qApp->installEventFilter(this); }
    ~ModalScript() override { qApp->removeEventFilter(this); }

    void then(Action action) { actions_.push_back(std::move(action)); }
    int shown = 0;
    int unscripted = 0;
    bool done() const { return actions_.empty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog != nullptr && dialog->isWindow() && dialog->isModal()) {
                ++shown;
                QPointer<QDialog> target(dialog);
                Action action;
                if (!actions_.empty()) {
                    action = std::move(actions_.front());
                    actions_.pop_front();
                }
                QTimer::singleShot(0, dialog, [this, target, action] {
                    if (target.isNull()) {
                        return;
                    }
                    if (action) {
                        action(*target);
                    } else {
                        ++unscripted;
                        if (unscripted > 20) {
                            qFatal("too many unscripted dialogs");
                        }
                        target->reject();
                    }
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::deque<Action> actions_;
};

// Three samples of four individuals typed at two loci (coding 1, alleles 1..3).
inline const char* kSmallData =
    "3 2 3 1\r\n"
    "locA\r\n"
    "locB\r\n"
    "1 11 12\r\n"
    "1 12 22\r\n"
    "1 11 11\r\n"
    "1 13 12\r\n"
    "2 22 23\r\n"
    "2 23 33\r\n"
    "2 22 22\r\n"
    "2 12 23\r\n"
    "3 33 11\r\n"
    "3 13 13\r\n"
    "3 33 12\r\n"
    "3 23 11\r\n";

// A text file's content as a text view shows it (CR LF as line breaks).
inline QString asDisplayed(const std::string& bytes) {
    QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace zeltric::test
