// What the editor remembers between runs: the window's size and place, the
// "[Down] key adds a row" and "Keep first column in view" options, and the
// tables opened last. They live in $XDG_CONFIG_HOME/tessary/tessary.conf
// (~/.config/tessary/tessary.conf when XDG_CONFIG_HOME is unset or not an
// absolute path), found anew at every access; without either folder
// nothing is remembered. Every window of the run shares them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tessary {

namespace window_settings {

inline constexpr int kMaxRecentFiles = 10;

// The settings file, or "" when there is no folder for it.
QString FileName();

QByteArray Geometry();
void SetGeometry(const QByteArray& geometry);
// On unless turned off.
bool DownKeyAddsRow();
void SetDownKeyAddsRow(bool on);
bool KeepFirstColumn();
void SetKeepFirstColumn(bool on);

// The recent tables, the latest first.
QStringList RecentFiles();
// Puts `path` first, once, and keeps kMaxRecentFiles.
void AddRecentFile(const QString& path);
void RemoveRecentFile(const QString& path);

}  // namespace window_settings

}  // namespace tessary
