#include "grid/widget/system_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "grid/widget/qt_text.h"

namespace tessary {

std::u16string TSystemClipboard::GetText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard ? FromQString(clipboard->text()) : std::u16string();
}

void TSystemClipboard::SetText(const std::u16string& text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(ToQString(text));
}

}  // namespace tessary
