#include "ui/help_viewer.hpp"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace zeltric::ui {

QStringList manualSearchPath(const QString& executableDir) {
    QStringList folders;
    const QDir dir(executableDir);
    folders << QString::fromLatin1(kEmbeddedManualFolder) << dir.absolutePath()
            << dir.absoluteFilePath(QStringLiteral("docs"))
            << QDir::cleanPath(dir.absoluteFilePath(QStringLiteral("../share/zeltric")));
    // A build folder inside the source tree (build/<name>/ or build/).
    QDir up(dir);
    for (int level = 0; level < 4 && up.cdUp(); ++level) {
        folders << up.absoluteFilePath(QStringLiteral("docs"));
    }
    return folders;
}

QString findManual(const QStringList& searchPath) {
    for (const QString& folder : searchPath) {
        const QFileInfo candidate(QDir(folder), QString::fromLatin1(kManualFileName));
        if (candidate.isFile() && candidate.isReadable()) {
            return candidate.absoluteFilePath();
        }
    }
    return {};
}

QUrl manualUrl(const QString& manualPath) {
    if (manualPath.startsWith(QLatin1Char(':'))) return QUrl(QStringLiteral("qrc") + manualPath);
    return QUrl::fromLocalFile(manualPath);
}

HelpViewer::HelpViewer(const QString& manualPath, QWidget* parent)
    : QDialog(parent), browser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(QStringLiteral("ZELTRIC Help"));
    browser->setObjectName(QStringLiteral("helpBrowser"));
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    browser->setSource(manualUrl(manualPath));
    resize(760, 560);
}

}  // namespace zeltric::ui
