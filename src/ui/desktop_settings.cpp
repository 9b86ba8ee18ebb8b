#include "ui/desktop_settings.hpp"

#include <QSettings>

namespace zeltric::ui {

namespace {

// Not the application name: that is the caption's title, with blanks and a
// version in it.
QSettings settings() { return QSettings(QStringLiteral("zeltric"), QStringLiteral("zeltric")); }

const QString kRecentKey = QStringLiteral("recentFiles");
const QString kGeometryKey = QStringLiteral("mainWindow/geometry");

}  // namespace

QStringList withRecentFile(QStringList list, const QString& path) {
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kRecentFileLimit) list.removeLast();
    return list;
}

QStringList recentFiles() {
    QStringList files = settings().value(kRecentKey).toStringList();
    files.removeAll(QString());
    while (files.size() > kRecentFileLimit) files.removeLast();
    return files;
}

void setRecentFiles(const QStringList& files) { settings().setValue(kRecentKey, files); }

QByteArray savedMainWindowGeometry() { return settings().value(kGeometryKey).toByteArray(); }

void saveMainWindowGeometry(const QByteArray& geometry) { settings().setValue(kGeometryKey, geometry); }

void clearDesktopSettings() {
    QSettings all = settings();
    all.clear();
    all.sync();
}

}  // namespace zeltric::ui
