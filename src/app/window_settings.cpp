#include "app/window_settings.h"

#include <QDir>
#include <QSettings>
#include <QVariant>
#include <cstdlib>

namespace tessary::window_settings {
namespace {

const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kDownKeyKey = QStringLiteral("options/downKeyAddsRow");
const QString kKeepFirstKey = QStringLiteral("view/keepFirstColumn");
const QString kRecentKey = QStringLiteral("recent/files");

QString AbsoluteFolder(const char* value) {
  return value != nullptr && value[0] == '/' ? QString::fromLocal8Bit(value) : QString();
}

QVariant Value(const QString& key, const QVariant& fallback) {
  const QString file = FileName();
  if (file.isEmpty()) return fallback;
  return QSettings(file, QSettings::IniFormat).value(key, fallback);
}

void SetValue(const QString& key, const QVariant& value) {
  const QString file = FileName();
  if (file.isEmpty()) return;
  QSettings settings(file, QSettings::IniFormat);
  settings.setValue(key, value);
  settings.sync();
}

}  // namespace

QString FileName() {
  QString base = AbsoluteFolder(std::getenv("XDG_CONFIG_HOME"));
  if (base.isEmpty()) {
    const QString home = AbsoluteFolder(std::getenv("HOME"));
    if (home.isEmpty()) return QString();
    base = home + QStringLiteral("/.config");
  }
  return QDir(base).filePath(QStringLiteral("tessary/tessary.conf"));
}

QByteArray Geometry() { return Value(kGeometryKey, QByteArray()).toByteArray(); }
void SetGeometry(const QByteArray& geometry) { SetValue(kGeometryKey, geometry); }

bool DownKeyAddsRow() { return Value(kDownKeyKey, true).toBool(); }
void SetDownKeyAddsRow(bool on) { SetValue(kDownKeyKey, on); }

bool KeepFirstColumn() { return Value(kKeepFirstKey, false).toBool(); }
void SetKeepFirstColumn(bool on) { SetValue(kKeepFirstKey, on); }

QStringList RecentFiles() {
  QStringList files = Value(kRecentKey, QStringList()).toStringList();
  files.removeAll(QString());
  files.removeDuplicates();
  return files.mid(0, kMaxRecentFiles);
}

void AddRecentFile(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  files.prepend(path);
  SetValue(kRecentKey, files.mid(0, kMaxRecentFiles));
}

void RemoveRecentFile(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  SetValue(kRecentKey, files);
}

}  // namespace tessary::window_settings
