#pragma once

#include <QDialog>
#include <QStringList>

class QTextBrowser;
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

// The in-app help viewer showing the manual.
class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(const QString& manualPath, QWidget* parent = nullptr);

    QTextBrowser* browser;
};

}  // namespace zeltric::ui
