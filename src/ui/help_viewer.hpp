#pragma once

#include <QDialog>
#include <QStringList>

class QTextBrowser;

namespace zeltric::ui {

inline constexpr const char* kManualFileName = "manual.html";

// Folders searched for the manual: beside the executable, the installed data
// folder (../share/zeltric), and the docs/ folder of a source tree that holds
// a build folder (a few levels up).
QStringList manualSearchPath(const QString& executableDir);

// The first folder of `searchPath` holding the manual; empty when none does.
QString findManual(const QStringList& searchPath);

// The in-app help viewer showing the manual.
class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(const QString& manualPath, QWidget* parent = nullptr);

    QTextBrowser* browser;
};

}  // namespace zeltric::ui
