// The grid's in-place editor: a multi-line, word-wrapping edit box shown
// over the current cell, growing downward to show up to kMaxLines lines of
// its text. Keys that end or steer the edit go to the grid's controller
// first; the rest edit the text. A cell with choices (TTableGrid::
// SetCellChoices) shows them in a list under the editor: typing marks the
// first that begins with the text, Up and Down step through them, Enter
// completes the text to the marked one, and a click chooses one.
#pragma once

#include <QPlainTextEdit>

#include "grid/grid_controller.h"

namespace tessary {

class TChoiceList;
class TTableGrid;

class TTableInplaceEdit : public QPlainTextEdit, public TInplaceEditorPort {
  Q_OBJECT

 public:
  static constexpr int kMaxLines = 8;

  explicit TTableInplaceEdit(TTableGrid* grid);

  // The list of choices under the editor, or nullptr before the first.
  TChoiceList* Choices() const { return FChoices; }

  // TInplaceEditorPort
  void Show(const TPixelRect& rect, const std::u16string& text, bool selectAll) override;
  void Hide() override;
  void Place(const TPixelRect& rect) override;
  std::u16string Text() const override;
  void SetText(const std::u16string& text) override;
  void TypeChar(char16_t ch) override;
  bool CaretOnFirstLine() const override;
  bool CaretOnLastLine() const override;
  bool HasSelectedText() const override;
  std::u16string SelectedText() const override;
  void ReplaceSelection(const std::u16string& text, bool selectInserted) override;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  int CaretLine() const;
  int LineCount() const;
  void FitToText();
  void SetChoice(const QString& text);

  TTableGrid* FGrid;
  QRect FCell;                      // the cell the editor stands over
  TChoiceList* FChoices = nullptr;  // created for the first cell with choices
  bool FSettingChoice = false;
};

}  // namespace tessary
