#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the desktop remembers between sessions, kept with QSettings under
// "zeltric/zeltric": the recent data files and the main window's geometry.
// Tests isolate it with QStandardPaths::setTestModeEnabled before the first
// use.

namespace zeltric::ui {

inline constexpr int kRecentFileLimit = 8;

// The list after `path` was opened: at the front, once, at most
// kRecentFileLimit entries.
QStringList withRecentFile(QStringList list, const QString& path);

QStringList recentFiles();
void setRecentFiles(const QStringList& files);

QByteArray savedMainWindowGeometry();  // empty before the first save
void saveMainWindowGeometry(const QByteArray& geometry);

// Forgets everything (tests start each case from a first start).
void clearDesktopSettings();

}  // namespace zeltric::ui
