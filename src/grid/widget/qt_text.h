// Cell texts and Qt strings are both UTF-16: conversion is a copy.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tessary {

inline QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// A cell text with each CR LF, and each CR alone, as one LF: how the grid
// draws its lines and how the in-place editor holds them.
inline QString ToLfText(std::u16string_view text) {
  QString s = ToQString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

inline std::u16string FromQString(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

}  // namespace tessary
