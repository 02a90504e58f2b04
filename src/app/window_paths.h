// The window's paths: QString for display and dialogs, native bytes for
// the file system.
#pragma once

#include <QFile>
#include <QString>
#include <filesystem>
#include <string>

#include "text/utf16.h"

namespace tessary {

// Paths as the window keeps them. A start-up path whose name is not valid
// UTF-8 holds its invalid bytes as kept bytes (FromFileNameBytes) and goes
// back to exactly those bytes; every other path, those of the file dialog
// included, goes through Qt's file-name encoding.
inline std::filesystem::path ToPath(const QString& path) {
  const std::u16string text = path.toStdU16String();
  if (HoldsFileNameBytes(text)) return std::filesystem::path(ToFileNameBytes(text));
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

inline QString FromPath(const std::filesystem::path& path) {
  return QString::fromStdU16String(FromFileNameBytes(path.native()));
}

}  // namespace tessary
