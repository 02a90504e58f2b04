#include "grid/widget/table_inplace_edit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

#include "grid/widget/choice_list.h"
#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"

namespace tessary {
namespace {

// The edit box separates lines with LF (ToLfText); cells with CR LF.
std::u16string FromEditorText(QString s) {
  s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  s.replace(QChar::LineSeparator, QLatin1Char('\n'));
  s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return FromQString(s);
}

}  // namespace

TTableInplaceEdit::TTableInplaceEdit(TTableGrid* grid)
    : QPlainTextEdit(grid->viewport()), FGrid(grid) {
  setObjectName(QStringLiteral("InplaceEdit"));
  setFrameShape(QFrame::NoFrame);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(true);
  setContextMenuPolicy(Qt::NoContextMenu);
  // A file dropped on the editor goes to the window, which opens it.
  setAcceptDrops(false);
  setFont(grid->CellFont());
  document()->setDocumentMargin(1);
  connect(document(), &QTextDocument::contentsChanged, this, [this] {
    FitToText();
    if (FChoices && FChoices->isVisible() && !FSettingChoice) FChoices->Match(toPlainText());
  });
  hide();
}

// As high as the cell, or as the lines of the text need up to kMaxLines;
// a grown editor that would reach past the bottom of the view moves up.
void TTableInplaceEdit::FitToText() {
  if (FCell.isEmpty()) return;
  const int margin = static_cast<int>(document()->documentMargin());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  int lines = 0;
  qreal height = 0;
  for (QTextBlock b = document()->firstBlock(); b.isValid() && lines < kMaxLines; b = b.next()) {
    QTextLayout layout(b.text(), font());
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid() && lines < kMaxLines;
         line = layout.createLine()) {
      line.setLineWidth(std::max(1, FCell.width() - 2 * margin));
      height += line.height();
      ++lines;
    }
    layout.endLayout();
  }
  // Whole rows of the grid, so that no cell shows half under the editor.
  const int needed = static_cast<int>(std::ceil(height)) + 2 * margin + 2;
  const int step = FCell.height() + kGridLineWidth;
  QRect r = FCell;
  r.setHeight(std::max(1, (needed + kGridLineWidth + step - 1) / step) * step - kGridLineWidth);
  const int room = FGrid->viewport()->height();
  if (r.bottom() >= room) r.moveBottom(std::max(r.height() - 1, room - 1));
  if (r.top() < 0) r.moveTop(0);
  setGeometry(r);
  if (FChoices && FChoices->isVisible()) FChoices->Place(r);
}

void TTableInplaceEdit::Show(const TPixelRect& rect, const std::u16string& text, bool selectAll) {
  Place(rect);
  setPlainText(ToLfText(text));
  if (selectAll) {
    QPlainTextEdit::selectAll();
  } else {
    moveCursor(QTextCursor::End);
  }
  show();
  setFocus(Qt::OtherFocusReason);
  const QStringList choices = FGrid->CellChoices(FGrid->Controller().EditCell());
  if (!choices.isEmpty()) {
    if (!FChoices) {
      FChoices = new TChoiceList(FGrid->viewport());
      connect(FChoices, &TChoiceList::Chosen, this, [this](const QString& choice) {
        SetChoice(choice);
        FGrid->Controller().HideInplaceEdit();
      });
    }
    FChoices->Open(choices, geometry());
    FChoices->Match(toPlainText());
  } else if (FChoices) {
    FChoices->hide();
  }
}

void TTableInplaceEdit::Hide() {
  if (hasFocus()) FGrid->setFocus(Qt::OtherFocusReason);
  hide();
  if (FChoices) FChoices->hide();
}

// A choice replaces the text, selected, so that typing replaces it again.
void TTableInplaceEdit::SetChoice(const QString& text) {
  FSettingChoice = true;
  setPlainText(text);
  QPlainTextEdit::selectAll();
  FSettingChoice = false;
}

void TTableInplaceEdit::Place(const TPixelRect& rect) {
  FCell = QRect(rect.Left, rect.Top, rect.Width(), rect.Height());
  setGeometry(FCell);
  FitToText();
}

std::u16string TTableInplaceEdit::Text() const { return FromEditorText(toPlainText()); }

void TTableInplaceEdit::SetText(const std::u16string& text) {
  setPlainText(ToLfText(text));
  moveCursor(QTextCursor::End);
}

void TTableInplaceEdit::TypeChar(char16_t ch) {
  QTextCursor cursor = textCursor();
  if (ch == u'\b') {
    cursor.deletePreviousChar();
  } else {
    cursor.insertText(QString(QChar(ch)));
  }
  setTextCursor(cursor);
}

// Line of the caret counted over the wrapped lines of the whole text.
int TTableInplaceEdit::CaretLine() const {
  const QTextCursor cursor = textCursor();
  int line = 0;
  for (QTextBlock b = document()->firstBlock(); b.isValid() && b != cursor.block(); b = b.next()) {
    line += std::max(1, b.layout() ? b.layout()->lineCount() : 1);
  }
  const QTextLayout* layout = cursor.block().layout();
  if (layout && layout->lineCount() > 0) {
    line += std::max(0, layout->lineForTextPosition(cursor.positionInBlock()).lineNumber());
  }
  return line;
}

int TTableInplaceEdit::LineCount() const {
  int count = 0;
  for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next()) {
    count += std::max(1, b.layout() ? b.layout()->lineCount() : 1);
  }
  return count;
}

bool TTableInplaceEdit::CaretOnFirstLine() const { return CaretLine() == 0; }

bool TTableInplaceEdit::CaretOnLastLine() const { return CaretLine() >= LineCount() - 1; }

bool TTableInplaceEdit::HasSelectedText() const { return textCursor().hasSelection(); }

std::u16string TTableInplaceEdit::SelectedText() const {
  return FromEditorText(textCursor().selectedText());
}

void TTableInplaceEdit::ReplaceSelection(const std::u16string& text, bool selectInserted) {
  QTextCursor cursor = textCursor();
  const int start = cursor.selectionStart();
  const QString inserted = ToLfText(text);
  cursor.insertText(inserted);
  if (selectInserted) {
    cursor.setPosition(start);
    cursor.setPosition(start + static_cast<int>(inserted.size()), QTextCursor::KeepAnchor);
  }
  setTextCursor(cursor);
}

// The edit box keeps its undo, redo and clipboard keys: shortcuts of the
// window (the Edit menu's, for the grid) never take them from it.
bool TTableInplaceEdit::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool ctrl = mods == Qt::ControlModifier;
    const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    switch (key->key()) {
      case Qt::Key_A:
      case Qt::Key_C:
      case Qt::Key_V:
      case Qt::Key_X:
      case Qt::Key_Y:
      case Qt::Key_Insert:
        if (ctrl) {
          event->accept();
          return true;
        }
        break;
      case Qt::Key_Z:
        if (ctrl || ctrlShift) {
          event->accept();
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QPlainTextEdit::event(event);
}

void TTableInplaceEdit::keyPressEvent(QKeyEvent* event) {
  // Undo and redo act on the text being edited; the edit box knows Ctrl+Z
  // and Ctrl+Shift+Z, and Ctrl+Y redoes as well.
  if (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier) {
    redo();
    event->accept();
    return;
  }
  if (FChoices && FChoices->isVisible() && event->modifiers() == Qt::NoModifier) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
      SetChoice(FChoices->Step(event->key() == Qt::Key_Down ? 1 : -1));
      event->accept();
      return;
    }
    // Enter completes a beginning to the marked choice, then commits.
    const QString marked = FChoices->Marked();
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !marked.isEmpty() &&
        marked.startsWith(toPlainText(), Qt::CaseInsensitive)) {
      SetChoice(marked);
    }
  }
  const TGridKey key = GridKeyFromQt(event->key());
  if (key != TGridKey::gkOther &&
      FGrid->Controller().EditorKeyDown(key, KeyModsFromQt(event->modifiers()))) {
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TTableInplaceEdit::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  // Focus going back to the grid itself (a click on another cell) is
  // handled by the grid; any other control or a menu commits the edit.
  QWidget* next = QApplication::focusWidget();
  if (next == FGrid || next == FGrid->viewport()) return;
  if (isVisible() && FGrid->Controller().EditorMode()) FGrid->Controller().EditorFocusLost();
}

void TTableInplaceEdit::wheelEvent(QWheelEvent* event) { FGrid->WheelBy(event); }

// Tab and Shift+Tab commit the edit alike, then move the focus on from the
// grid, so that both follow the window's order from the grid.
bool TTableInplaceEdit::focusNextPrevChild(bool next) {
  FGrid->Controller().HideInplaceEdit();
  return FGrid->focusNextPrevChild(next);
}

}  // namespace tessary
