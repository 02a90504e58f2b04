// TTableGrid: the table editing control. A scroll area that paints the cell
// table (fixed rows on top, grid lines, selection) with a gutter of row
// numbers at its left, and hands keys, mouse and wheel to the Qt-free grid
// controller.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "grid/grid_controller.h"
#include "grid/widget/system_clipboard.h"
#include "table/cell_table.h"

namespace tessary {

class TTableInplaceEdit;
class TRowGutter;

// Whether a palette is dark: its text lighter than its background.
bool IsDarkPalette(const QPalette& palette);

// The colours the grid paints with: the fixed values of the editor's look
// under a light palette; under a dark one, colours taken from the palette
// so that every text stays readable.
struct TGridColors {
  QColor Base;
  QColor Text;
  QColor Line;
  QColor FixedLine;
  QColor FixedTop;
  QColor FixedBottom;
  QColor FixedPressed;
  QColor FixedText;
  QColor Selection;
  QColor SelectionText;
  QColor Flagged;
  QColor Marked;      // background of marked cells (a comparison's changed cells)
  QColor MarkedEdge;  // their corner, and the gutter's mark of marked rows
  static TGridColors For(const QPalette& palette);
};

// The font of the editor's window and grid: Tahoma where installed, else
// the nearest sans serif; 11 pixels high, 8 points on a 96-dpi screen.
QFont EditorFont(bool bold = false);

// Maps a Qt key code to the controller's keys (gkOther for the rest).
TGridKey GridKeyFromQt(int key);
TKeyMods KeyModsFromQt(Qt::KeyboardModifiers modifiers);

class TTableGrid : public QAbstractScrollArea, private TGridViewPort {
  Q_OBJECT

 public:
  // The look of the editor window's grid under a light palette.
  static inline const QColor kLineColor{0xEB, 0xED, 0xF1};
  static inline const QColor kFixedLineColor{0xA4, 0xBB, 0xD1};
  static inline const QColor kFixedTopColor{0xF6, 0xF9, 0xFB};
  static inline const QColor kFixedBottomColor{0xD2, 0xDB, 0xE8};
  static inline const QColor kFixedPressedColor{0x9D, 0xC1, 0xE4};
  static inline const QColor kSelectionColor{0xF1, 0xC1, 0x5E};
  static inline const QColor kSelectionTextColor{0, 0, 0};
  // Text of the cells the flagged-cell test picks out.
  static inline const QColor kFlaggedTextColor{0xC8, 0x00, 0x00};
  // Marked cells: a pale green, apart from the selection's amber and the
  // flagged red; their corner and the gutter's row mark a deeper green.
  static inline const QColor kMarkedColor{0xD3, 0xF0, 0xCE};
  static inline const QColor kMarkedEdgeColor{0x3C, 0x9A, 0x48};
  static constexpr int kTextOffset = 2;
  static constexpr int kAutoScrollMs = 60;

  explicit TTableGrid(QWidget* parent = nullptr);
  ~TTableGrid() override;

  TCellTable& Table() { return FTable; }
  const TCellTable& Table() const { return FTable; }
  TGridController& Controller() { return FController; }
  TNavigation& Navigation() { return FController.Navigation(); }
  TGridOptions& Options() { return FController.Options(); }
  TEditHistory& History() { return FController.History(); }
  // While a cell is being edited these act on the editor's text; otherwise
  // they undo (redo) the table's last step.
  void Undo();
  void Redo();
  // The grid's keys Ctrl+X, Ctrl+C, Ctrl+V and Ctrl+A as commands (the Edit
  // menu): on the editor's text while a cell is being edited.
  void Cut();
  void Copy();
  void Paste();
  void SelectAll();
  // Cells for which `test` returns true are painted with kFlaggedTextColor;
  // it is asked for the cells that show only.
  void SetFlaggedCellTest(std::function<bool(int32_t col, int32_t row)> test);
  // Marks laid over the table, such as a comparison's: cells for which
  // `cell` returns true get the Marked background (a corner of it inside
  // the selection), rows for which `row` returns true a strip in the
  // gutter, and a cell's tooltip is what `tip` returns for it (rich text;
  // nothing or "" for none). Either may be unassigned; asked for shown
  // cells only. MarksChanged repaints after their answers changed.
  struct TCellMarks {
    std::function<bool(int32_t col, int32_t row)> Cell;
    std::function<bool(int32_t row)> Row;
    std::function<QString(int32_t col, int32_t row)> Tip;
  };
  void SetCellMarks(TCellMarks marks);
  void MarksChanged();
  // Cells whose texts come from a set: `choices` gives the set of a cell
  // (empty for a free text); the in-place editor lists it under the cell.
  void SetCellChoices(std::function<QStringList(int32_t col, int32_t row)> choices);
  QStringList CellChoices(TGridCoord cell) const;
  // Replaces the system clipboard (tests); nullptr restores it.
  void SetClipboard(TClipboardPort* clipboard);
  // The in-place editor, or nullptr before the first edit.
  TTableInplaceEdit* InplaceEditor() const { return FEditor; }
  bool EditorMode() const { return FController.EditorMode(); }

  const QFont& CellFont() const { return FCellFont; }
  const QFont& FixedFont() const { return FFixedFont; }
  const TGridColors& Colors() const { return FColors; }
  // The client rectangle of a cell (empty when it does not show).
  QRect CellRect(int32_t col, int32_t row) const;
  // The row-number gutter left of the cells.
  QWidget* Gutter() const;
  // Whether the first column stays in view while the view scrolls right.
  void SetKeepFirstColumn(bool keep);
  bool KeepFirstColumn() const { return FController.KeepFirstColumn(); }

 signals:
  // The current cell, the selection, the extent or a column's name or type
  // changed (for the status bar and assistive technology).
  void ViewChanged();
  // A right-click (or the menu key) asks for the context menu of the
  // current cell or selection, at `globalPos`.
  void ContextMenuRequested(const QPoint& globalPos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  friend class TTableInplaceEdit;
  friend class TRowGutter;

  // TGridViewPort
  void InvalidateRect(const TPixelRect& rect) override;
  void InvalidateAll() override;
  void LayoutChanged() override;
  bool HasFocus() const override;
  void SetAutoScroll(bool on) override;
  int32_t TextWidth(std::u16string_view text, bool fixed) const override;
  TInplaceEditorPort& Editor() override;

  void StatusChanged() override;

  void UpdateScrollBars();
  void UpdateGutterWidth();
  void WheelBy(QWheelEvent* event);
  void PaintCell(QPainter& p, const QRect& r, int32_t col, int32_t row, const TGridRect& sel);
  void PaintGutter(QPainter& p, const QRect& exposed);

  TCellTable FTable;
  TSystemClipboard FSystemClipboard;
  TGridController FController;
  TTableInplaceEdit* FEditor = nullptr;
  TRowGutter* FGutter = nullptr;
  TGridColors FColors;
  QTimer FAutoScrollTimer;
  QFont FCellFont;
  QFont FFixedFont;
  bool FUpdatingScrollBars = false;
  bool FForwardingKey = false;
  std::function<bool(int32_t, int32_t)> FFlaggedCell;
  TCellMarks FMarks;
  std::function<QStringList(int32_t, int32_t)> FCellChoices;
  int FWheelRemainder = 0;
  int FSidewaysRemainder = 0;
  int FGutterDigits = 0;  // the gutter is as wide as row numbers of so many digits
};

}  // namespace tessary
