#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;
class QUrl;

namespace zeltric::ui {

inline constexpr const char* kManualFileName = "manual.html";

// The copy of the manual built into the program (a Qt resource folder).
inline constexpr const char* kEmbeddedManualFolder = ":/docs";

// Folders searched for the manual: the copy built into the program first (it
// always matches this program), then beside the executable, the installed
// data folder (../share/zeltric), and the docs/ folder of a source tree that
// holds a build folder (a few levels up).
QStringList manualSearchPath(const QString& executableDir);

// The address a text browser loads for a manual path: qrc: for the built-in
// copy (so its pictures resolve inside the program), file: otherwise.
QUrl manualUrl(const QString& manualPath);

// The first folder of `searchPath` holding the manual; empty when none does.
QString findManual(const QStringList& searchPath);

// The manual's HTML as the viewer shows it: each code block becomes one
// shaded cell (a text browser would shade every line apart) whose long lines
// wrap instead of widening the page.
QString prepareManualHtml(QString html);

// The in-app help viewer showing the manual, with Back, Forward, Home and a
// find field (Ctrl+F; Enter or F3 finds the next match, Shift+F3 the one
// before, wrapping round the end).
class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(const QString& manualPath, QWidget* parent = nullptr);

    // Finds the find field's text after (or before) the cursor; false and
    // "Not found" when the manual does not hold it.
    bool findNext(bool backward = false);
    void focusFind();

private:
    QTextBrowser* browser_;
    QToolButton* backButton_;
    QToolButton* forwardButton_;
    QToolButton* homeButton_;
    QLineEdit* findField_;
    QLabel* findStatus_;
};

}  // namespace zeltric::ui
