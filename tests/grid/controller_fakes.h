// Stand-ins for the widget, its in-place editor and the clipboard, so that
// the grid controller runs without a window system.
#pragma once

#include <string>

#include "grid/grid_controller.h"

namespace tessary::testing {

// An edit box reduced to its text, a selection and a caret. Lines are
// separated by CR LF; the caret line is found from that.
class FakeEditor : public TInplaceEditorPort {
 public:
  void Show(const TPixelRect& rect, const std::u16string& text, bool selectAll) override {
    Visible = true;
    Rect = rect;
    Value = text;
    SelStart = selectAll ? 0 : text.size();
    Caret = text.size();
    ++Shows;
  }
  void Hide() override { Visible = false; }
  void Place(const TPixelRect& rect) override { Rect = rect; }
  std::u16string Text() const override { return Value; }
  void SetText(const std::u16string& text) override {
    Value = text;
    SelStart = Caret = text.size();
  }
  void TypeChar(char16_t ch) override {
    if (ch == u'\b') {
      if (SelStart != Caret) {
        ReplaceSelection(u"", false);
      } else if (Caret > 0) {
        Value.erase(Caret - 1, 1);
        SelStart = --Caret;
      }
      return;
    }
    ReplaceSelection(std::u16string(1, ch), false);
  }
  bool CaretOnFirstLine() const override {
    return Value.substr(0, Caret).find(u"\r\n") == std::u16string::npos;
  }
  bool CaretOnLastLine() const override {
    return Value.find(u"\r\n", Caret) == std::u16string::npos;
  }
  bool HasSelectedText() const override { return SelStart != Caret; }
  std::u16string SelectedText() const override {
    const size_t a = std::min(SelStart, Caret), b = std::max(SelStart, Caret);
    return Value.substr(a, b - a);
  }
  void ReplaceSelection(const std::u16string& text, bool selectInserted) override {
    const size_t a = std::min(SelStart, Caret), b = std::max(SelStart, Caret);
    Value.replace(a, b - a, text);
    SelStart = selectInserted ? a : a + text.size();
    Caret = a + text.size();
  }
  // Caret and selection placed by a test.
  void Select(size_t start, size_t caret) {
    SelStart = start;
    Caret = caret;
  }

  bool Visible = false;
  TPixelRect Rect;
  std::u16string Value;
  size_t SelStart = 0;
  size_t Caret = 0;
  int Shows = 0;
};

class FakeView : public TGridViewPort {
 public:
  void InvalidateRect(const TPixelRect&) override { ++Invalidations; }
  void InvalidateAll() override { ++Invalidations; }
  void LayoutChanged() override {}
  bool HasFocus() const override { return Focused; }
  void SetAutoScroll(bool on) override { AutoScroll = on; }
  // Seven pixels a character.
  int32_t TextWidth(std::u16string_view text, bool) const override {
    return static_cast<int32_t>(text.size()) * 7;
  }
  TInplaceEditorPort& Editor() override { return EditorBox; }

  FakeEditor EditorBox;
  bool Focused = true;
  bool AutoScroll = false;
  int Invalidations = 0;
};

class FakeClipboard : public TClipboardPort {
 public:
  std::u16string GetText() override { return Value; }
  void SetText(const std::u16string& text) override { Value = text; }
  std::u16string Value;
};

// A table, a controller and the stand-ins, with a client area of 546 x 274
// (the window's grid): 12 rows of 22 pixels and their lines fit whole.
struct GridRig {
  TCellTable Table;
  FakeView View;
  FakeClipboard Clipboard;
  TGridController Grid{Table, View, &Clipboard};

  GridRig(int32_t cols, int32_t rows, int32_t fixedRows = 0) {
    Grid.SetClientSize(TClientSize{546, 274});
    Table.SetColCount(cols);
    Table.SetRowCount(rows);
    Table.SetFixedRows(fixedRows);
  }
  bool Key(TGridKey key, TKeyMods mods = {}) {
    return View.EditorBox.Visible ? Grid.EditorKeyDown(key, mods) : Grid.KeyDown(key, mods);
  }
  void Type(std::u16string_view text) {
    for (char16_t ch : text) {
      if (View.EditorBox.Visible) {
        View.EditorBox.TypeChar(ch);
      } else {
        Grid.KeyPress(ch);
      }
    }
  }
  TGridCoord Cur() const { return Table.Current(); }
};

constexpr TKeyMods kShift{true, false, false};
constexpr TKeyMods kCtrl{false, true, false};

}  // namespace tessary::testing
