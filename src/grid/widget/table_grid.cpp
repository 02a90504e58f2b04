#include "grid/widget/table_grid.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid_accessible.h"
#include "grid/widget/table_inplace_edit.h"
#include "text/text_wrap.h"

namespace tessary {

TGridKey GridKeyFromQt(int key) {
  switch (key) {
    case Qt::Key_Left:
      return TGridKey::gkLeft;
    case Qt::Key_Right:
      return TGridKey::gkRight;
    case Qt::Key_Up:
      return TGridKey::gkUp;
    case Qt::Key_Down:
      return TGridKey::gkDown;
    case Qt::Key_PageUp:
      return TGridKey::gkPageUp;
    case Qt::Key_PageDown:
      return TGridKey::gkPageDown;
    case Qt::Key_Home:
      return TGridKey::gkHome;
    case Qt::Key_End:
      return TGridKey::gkEnd;
    case Qt::Key_F2:
      return TGridKey::gkF2;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return TGridKey::gkEnter;
    case Qt::Key_Escape:
      return TGridKey::gkEscape;
    case Qt::Key_Insert:
      return TGridKey::gkInsert;
    case Qt::Key_Delete:
      return TGridKey::gkDelete;
    case Qt::Key_A:
      return TGridKey::gkA;
    case Qt::Key_C:
      return TGridKey::gkC;
    case Qt::Key_V:
      return TGridKey::gkV;
    case Qt::Key_X:
      return TGridKey::gkX;
    case Qt::Key_Y:
      return TGridKey::gkY;
    case Qt::Key_Z:
      return TGridKey::gkZ;
    default:
      return TGridKey::gkOther;
  }
}

TKeyMods KeyModsFromQt(Qt::KeyboardModifiers modifiers) {
  return TKeyMods{modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
                  modifiers.testFlag(Qt::AltModifier)};
}

QFont EditorFont(bool bold) {
  QFont font;
  font.setFamilies(
      {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  font.setBold(bold);
  return font;
}

namespace {

// The background of a fixed cell or a row number: pressed (or selected),
// else the header gradient.
void FillFixedCell(QPainter& p, const QRect& r, bool pressed, const TGridColors& colors) {
  if (pressed) {
    p.fillRect(r, colors.FixedPressed);
    return;
  }
  QLinearGradient gradient(r.topLeft(), r.bottomLeft());
  gradient.setColorAt(0, colors.FixedTop);
  gradient.setColorAt(1, colors.FixedBottom);
  p.fillRect(r, gradient);
}

// Whether `text` from `from` on holds anything but blanks and line breaks.
bool HoldsMore(std::u16string_view text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return true;
  }
  return false;
}

QString Part(std::u16string_view text, size_t start, size_t length) {
  return QString::fromUtf16(text.data() + start, static_cast<qsizetype>(length));
}

// Normal cells: the text from the top-left corner of `area`, one line per
// line spacing, wrapped at blanks only. Only lines that fit whole are drawn;
// the last of them ends in an ellipsis when text is hidden below it, and a
// line wider than the cell (a long word) ends in one at the cell's edge, so
// that a number such as 6.80000019073486 never shows as "6." or "6.800".
// The first line is drawn even when the cell is lower than a line.
void PaintCellText(QPainter& p, const QRect& area, const QFontMetrics& metrics,
                   std::u16string_view text) {
  const int lineHeight = std::max(1, metrics.lineSpacing());
  const int whole = std::max(1, (area.height() - metrics.height()) / lineHeight + 1);
  const auto advance = [&metrics](std::u16string_view part) {
    return static_cast<int32_t>(metrics.horizontalAdvance(
        QString::fromUtf16(part.data(), static_cast<qsizetype>(part.size()))));
  };
  const std::vector<TTextLine> lines =
      WrapAtBlanks(text, area.width(), advance, static_cast<size_t>(whole) + 1);
  const size_t shown = std::min(lines.size(), static_cast<size_t>(whole));
  int baseline = area.top() + metrics.ascent();
  for (size_t i = 0; i < shown; ++i) {
    const TTextLine& line = lines[i];
    QString s = Part(text, line.Start, line.Length);
    if (i + 1 == shown && HoldsMore(text, line.Start + line.Length)) s += QChar(0x2026);
    s = metrics.elidedText(s, Qt::ElideRight, area.width());
    if (!s.isEmpty()) p.drawText(QPoint(area.left(), baseline), s);
    baseline += lineHeight;
  }
}

// Header cells: their first line, ending in an ellipsis when it is wider
// than the column or more lines follow.
void PaintHeaderText(QPainter& p, const QRect& area, const QFontMetrics& metrics,
                     std::u16string_view text) {
  size_t end = 0;
  while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
  QString s = Part(text, 0, end);
  if (HoldsMore(text, end)) s += QChar(0x2026);
  s = metrics.elidedText(s, Qt::ElideRight, area.width());
  if (!s.isEmpty()) p.drawText(QPoint(area.left(), area.top() + metrics.ascent()), s);
}

bool Inside(const TGridRect& r, int32_t col, int32_t row) {
  return col >= r.Left && col <= r.Right && row >= r.Top && row <= r.Bottom;
}

// Positions of the shown columns (rows): fixed ones, then from the first
// visible one to the last that shows at least partly.
struct TBand {
  int32_t Index;
  int32_t Start;
  int32_t Size;
};

std::vector<TBand> Bands(int32_t fixed, int32_t first, int32_t last, int32_t limit,
                         const std::function<int32_t(int32_t)>& size) {
  std::vector<TBand> bands;
  int32_t pos = 0;
  auto add = [&](int32_t i) {
    bands.push_back(TBand{i, pos, size(i)});
    pos += size(i) + kGridLineWidth;
  };
  for (int32_t i = 0; i < fixed && pos < limit; ++i) add(i);
  for (int32_t i = first; i <= last && pos < limit; ++i) add(i);
  return bands;
}

// The rows that show, walked by their places in the view so that rows a
// filter hides take no room; each band carries its table row.
std::vector<TBand> RowBands(const TCellTable& t, const TTableFilter& filter, const TVisibleRange& v,
                            TClientSize client) {
  int32_t first = ShownIndexOfRow(t, &filter, v.FirstRow);
  int32_t last = v.LastRow >= v.FirstRow ? ShownIndexOfRow(t, &filter, v.LastRow) : first - 1;
  if (first < 0) {
    first = t.FixedRows();
    last = first - 1;
  }
  std::vector<TBand> bands = Bands(t.FixedRows(), first, last, client.Height, [&](int32_t i) {
    return t.RowHeights(RowOfShownIndex(t, &filter, i));
  });
  for (TBand& band : bands) band.Index = RowOfShownIndex(t, &filter, band.Index);
  return bands;
}

QColor Mix(const QColor& a, const QColor& b, double share) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * share),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * share),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * share));
}

}  // namespace

bool IsDarkPalette(const QPalette& palette) {
  return palette.color(QPalette::WindowText).lightness() >
         palette.color(QPalette::Window).lightness();
}

TGridColors TGridColors::For(const QPalette& palette) {
  TGridColors c;
  c.Base = palette.color(QPalette::Base);
  c.Text = palette.color(QPalette::Text);
  c.Selection = TTableGrid::kSelectionColor;
  c.SelectionText = TTableGrid::kSelectionTextColor;
  if (!IsDarkPalette(palette)) {
    c.Line = TTableGrid::kLineColor;
    c.FixedLine = TTableGrid::kFixedLineColor;
    c.FixedTop = TTableGrid::kFixedTopColor;
    c.FixedBottom = TTableGrid::kFixedBottomColor;
    c.FixedPressed = TTableGrid::kFixedPressedColor;
    c.FixedText = palette.color(QPalette::WindowText);
    c.Flagged = TTableGrid::kFlaggedTextColor;
    c.Marked = TTableGrid::kMarkedColor;
    c.MarkedEdge = TTableGrid::kMarkedEdgeColor;
    return c;
  }
  // Lines and header shades between the palette's background and text.
  const QColor button = palette.color(QPalette::Button);
  c.Line = Mix(c.Base, c.Text, 0.18);
  c.FixedLine = Mix(button, palette.color(QPalette::ButtonText), 0.35);
  c.FixedTop = button.lighter(125);
  c.FixedBottom = button;
  c.FixedPressed = Mix(button, palette.color(QPalette::Highlight), 0.6);
  c.FixedText = palette.color(QPalette::ButtonText);
  c.Flagged = QColor(0xFF, 0x78, 0x78);
  // A dark green that light text stays readable on.
  c.Marked = Mix(c.Base, QColor(0x3C, 0xB4, 0x4B), 0.3);
  c.MarkedEdge = QColor(0x6C, 0xCB, 0x77);
  return c;
}

// The row-number gutter: a strip left of the viewport, painted and clicked
// through the grid. Its y coordinates are the viewport's; a point in it has
// a negative x for the controller.
class TRowGutter : public QWidget {
 public:
  explicit TRowGutter(TTableGrid* grid) : QWidget(grid), FGrid(grid) {
    setObjectName(QStringLiteral("RowGutter"));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter p(this);
    FGrid->PaintGutter(p, event->rect());
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;  // the right one: the context menu follows
    FGrid->setFocus(Qt::MouseFocusReason);
    const QPoint pos = ToViewport(event->position().toPoint());
    FGrid->FController.MouseDown(pos.x(), pos.y(), KeyModsFromQt(event->modifiers()));
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    const QPoint pos = ToViewport(event->position().toPoint());
    FGrid->FController.MouseMove(pos.x(), pos.y());
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = ToViewport(event->position().toPoint());
    FGrid->FController.MouseUp(pos.x(), pos.y());
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    const QPoint pos = ToViewport(event->pos());
    if (FGrid->FController.ContextClick(pos.x(), pos.y())) {
      emit FGrid->ContextMenuRequested(event->globalPos());
    }
  }
  void wheelEvent(QWheelEvent* event) override { FGrid->WheelBy(event); }

 private:
  QPoint ToViewport(QPoint p) const { return QPoint(p.x() - width(), p.y()); }

  TTableGrid* FGrid;
};

TTableGrid::TTableGrid(QWidget* parent)
    : QAbstractScrollArea(parent),
      FController(FTable, *this, &FSystemClipboard),
      FCellFont(EditorFont(false)),
      FFixedFont(EditorFont(true)) {
  setFocusPolicy(Qt::StrongFocus);
  setFont(FCellFont);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(false);
  FColors = TGridColors::For(palette());
  FGutter = new TRowGutter(this);
  FAutoScrollTimer.setInterval(kAutoScrollMs);
  connect(&FAutoScrollTimer, &QTimer::timeout, this, [this] { FController.AutoScrollTick(); });
  InstallTableGridAccessibility();
  FController.SetClientSize(TClientSize{viewport()->width(), viewport()->height()});
  UpdateGutterWidth();
}

TTableGrid::~TTableGrid() = default;

void TTableGrid::SetClipboard(TClipboardPort* clipboard) {
  FController.SetClipboard(clipboard ? clipboard : &FSystemClipboard);
}

void TTableGrid::Undo() {
  if (FController.EditorMode() && FEditor) {
    FEditor->undo();
  } else {
    FController.Undo();
  }
}

void TTableGrid::Redo() {
  if (FController.EditorMode() && FEditor) {
    FEditor->redo();
  } else {
    FController.Redo();
  }
}

void TTableGrid::Cut() {
  if (FController.EditorMode()) {
    FController.EditorCut();
  } else {
    FController.CutToClipboard();
  }
}

void TTableGrid::Copy() {
  if (FController.EditorMode()) {
    FController.EditorCopy();
  } else {
    FController.CopyToClipboard();
  }
}

void TTableGrid::Paste() {
  if (FController.EditorMode()) {
    FController.EditorPaste();
  } else {
    FController.PasteFromClipboard();
  }
}

void TTableGrid::SelectAll() {
  if (FController.EditorMode() && FEditor) {
    FEditor->selectAll();
  } else {
    FController.KeyDown(TGridKey::gkA, TKeyMods{false, true, false});
  }
}

void TTableGrid::SetFlaggedCellTest(std::function<bool(int32_t col, int32_t row)> test) {
  FFlaggedCell = std::move(test);
  viewport()->update();
}

void TTableGrid::SetCellMarks(TCellMarks marks) {
  FMarks = std::move(marks);
  MarksChanged();
}

void TTableGrid::MarksChanged() {
  viewport()->update();
  FGutter->update();
  if (QToolTip::isVisible()) QToolTip::hideText();
}

void TTableGrid::SetCellChoices(std::function<QStringList(int32_t col, int32_t row)> choices) {
  FCellChoices = std::move(choices);
}

QStringList TTableGrid::CellChoices(TGridCoord cell) const {
  return FCellChoices ? FCellChoices(cell.X, cell.Y) : QStringList();
}

QWidget* TTableGrid::Gutter() const { return FGutter; }

void TTableGrid::SetKeepFirstColumn(bool keep) { FController.SetKeepFirstColumn(keep); }

QRect TTableGrid::CellRect(int32_t col, int32_t row) const {
  const TPixelRect r =
      tessary::CellRect(FTable, FController.ClientSize(), col, row, &FController.Filter());
  if (r.IsEmpty()) return QRect();
  return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// --- View port -------------------------------------------------------------------

void TTableGrid::InvalidateRect(const TPixelRect& rect) {
  if (!rect.IsEmpty()) {
    viewport()->update(rect.Left, rect.Top, rect.Width() + kGridLineWidth,
                       rect.Height() + kGridLineWidth);
  }
}

void TTableGrid::InvalidateAll() {
  viewport()->update();
  FGutter->update();
}

void TTableGrid::LayoutChanged() {
  UpdateScrollBars();
  UpdateGutterWidth();
  viewport()->update();
  FGutter->update();
}

void TTableGrid::StatusChanged() {
  emit ViewChanged();
  NotifyTableGridChanged(this);
}

bool TTableGrid::HasFocus() const { return hasFocus() || (FEditor && FEditor->hasFocus()); }

void TTableGrid::SetAutoScroll(bool on) {
  if (on) {
    FAutoScrollTimer.start();
  } else {
    FAutoScrollTimer.stop();
  }
}

int32_t TTableGrid::TextWidth(std::u16string_view text, bool fixed) const {
  const QFontMetrics metrics(fixed ? FFixedFont : FCellFont);
  int32_t widest = 0;
  for (const QString& line : ToLfText(text).split(QLatin1Char('\n'))) {
    widest = std::max<int32_t>(widest, metrics.horizontalAdvance(line));
  }
  return widest;
}

TInplaceEditorPort& TTableGrid::Editor() {
  if (!FEditor) FEditor = new TTableInplaceEdit(this);
  return *FEditor;
}

// --- Scrolling ---------------------------------------------------------------------

void TTableGrid::UpdateScrollBars() {
  if (FUpdatingScrollBars) return;
  FUpdatingScrollBars = true;
  const TClientSize client = FController.ClientSize();
  const TTableFilter* filter = &FController.Filter();
  const int32_t maxTop = MaxTopRow(FTable, client, filter);
  const int32_t maxLeft = MaxLeftCol(FTable, client);
  // A grown client area can show more than the present first row allows.
  if (FTable.TopRow() > maxTop) FTable.SetTopRow(maxTop);
  if (FTable.LeftCol() > maxLeft) FTable.SetLeftCol(maxLeft);
  // The vertical bar counts the rows that show, not the table's rows.
  QScrollBar* v = verticalScrollBar();
  const int32_t fixed = FTable.FixedRows();
  v->setRange(fixed, std::max(fixed, ShownIndexOfRow(FTable, filter, maxTop)));
  v->setPageStep(RowPage(FTable, client, filter));
  v->setValue(filter->ViewIndexAtOrAfter(FTable, FTable.TopRow()));
  QScrollBar* h = horizontalScrollBar();
  const int32_t pinned = PinnedCols(FTable, client);
  h->setRange(pinned, maxLeft);
  h->setPageStep(ColPage(FTable, client));
  h->setValue(std::max(pinned, FTable.LeftCol()));
  FUpdatingScrollBars = false;
}

void TTableGrid::scrollContentsBy(int, int) {
  if (FUpdatingScrollBars) return;
  const int32_t index = verticalScrollBar()->value();
  const TTableFilter* filter = &FController.Filter();
  const int32_t top = index < ShownRowCount(FTable, filter) ? RowOfShownIndex(FTable, filter, index)
                                                            : FTable.TopRow();
  FController.ScrollTo(horizontalScrollBar()->value(), top);
  viewport()->update();
  FGutter->update();
}

void TTableGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  FController.SetClientSize(TClientSize{viewport()->width(), viewport()->height()});
  const QRect v = viewport()->geometry();
  FGutter->setGeometry(v.left() - FGutter->width(), v.top(), FGutter->width(), v.height());
}

// Wide enough for the labels of the names and types rows and for the
// highest data row number; it changes with the number of digits only.
void TTableGrid::UpdateGutterWidth() {
  int digits = 1;
  for (int32_t n = FTable.RowCount() - 2; n >= 10; n /= 10) ++digits;
  if (digits == FGutterDigits) return;
  FGutterDigits = digits;
  const QFontMetrics metrics(FFixedFont);
  int text = metrics.horizontalAdvance(QString(digits, QLatin1Char('8')));
  for (int32_t row : {0, 1})
    text = std::max(text, metrics.horizontalAdvance(ToQString(RowLabel(row))));
  const int width = text + 2 * kTextOffset + 2 + kGridLineWidth;
  if (width == FGutter->width() && viewportMargins().left() == width) return;
  FGutter->resize(width, FGutter->height());
  setViewportMargins(width, 0, 0, 0);
  const QRect v = viewport()->geometry();
  FGutter->setGeometry(v.left() - width, v.top(), width, v.height());
}

void TTableGrid::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    FColors = TGridColors::For(palette());
    viewport()->update();
    FGutter->update();
  }
}

// The current cell's frame shows while the grid has the keys.
void TTableGrid::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
  NotifyTableGridChanged(this);
}

void TTableGrid::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

// --- Painting ----------------------------------------------------------------------

void TTableGrid::PaintCell(QPainter& p, const QRect& r, int32_t col, int32_t row,
                           const TGridRect& sel) {
  const bool fixed = col < FTable.FixedCols() || row < FTable.FixedRows();
  const bool selected = !fixed && Inside(sel, col, row);
  const QRect withLines = r.adjusted(0, 0, kGridLineWidth, kGridLineWidth);
  if (fixed) {
    const bool pressed = FController.State() == TGridState::gsColMoving &&
                         col == FController.DragCol() && row < FTable.FixedRows();
    FillFixedCell(p, r, pressed, FColors);
  } else {
    const bool marked = FMarks.Cell && FMarks.Cell(col, row);
    p.fillRect(r, selected ? FColors.Selection : marked ? FColors.Marked : FColors.Base);
    if (marked) {
      // A corner that still shows the mark inside the selection.
      const int size = std::min({8, r.width(), r.height()});
      const QPoint corner = r.topRight();
      p.setPen(Qt::NoPen);
      p.setBrush(FColors.MarkedEdge);
      p.drawPolygon(QPolygon(
          {corner + QPoint(1, 0), corner + QPoint(1 - size, 0), corner + QPoint(1, size)}));
      p.setBrush(Qt::NoBrush);
    }
  }
  p.setPen(fixed ? FColors.FixedLine : FColors.Line);
  p.drawLine(withLines.right(), withLines.top(), withLines.right(), withLines.bottom());
  p.drawLine(withLines.left(), withLines.bottom(), withLines.right(), withLines.bottom());

  const std::u16string_view text = FTable.Cells(col, row);
  if (!text.empty()) {
    p.save();
    p.setClipRect(r);
    const QFont& font = fixed ? FFixedFont : FCellFont;
    p.setFont(font);
    if (FFlaggedCell && FFlaggedCell(col, row)) {
      p.setPen(FColors.Flagged);
    } else {
      p.setPen(fixed ? FColors.FixedText : selected ? FColors.SelectionText : FColors.Text);
    }
    const QRect area = r.adjusted(kTextOffset, kTextOffset, -kTextOffset, 0);
    if (fixed) {
      PaintHeaderText(p, area, QFontMetrics(font), text);
    } else {
      PaintCellText(p, area, QFontMetrics(font), text);
    }
    p.restore();
  }
  if (!fixed && col == FTable.Col() && row == FTable.Row() && HasFocus()) {
    // The current cell inside the selection: a darker frame.
    p.setPen(FColors.Selection.darker(160));
    p.drawRect(r.adjusted(0, 0, -1, -1));
  }
}

void TTableGrid::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  const QRect exposed = event->rect();
  p.fillRect(exposed, FColors.Base);
  const TClientSize client = FController.ClientSize();
  const TTableFilter& filter = FController.Filter();
  const TVisibleRange v = VisibleRange(FTable, client, &filter);
  const int32_t pinned = PinnedCols(FTable, client);
  const auto cols = Bands(pinned, v.FirstCol, v.LastCol, client.Width,
                          [this](int32_t c) { return FTable.ColWidths(c); });
  const auto rows = RowBands(FTable, filter, v, client);
  const TGridRect sel = FTable.Selection();
  for (const TBand& row : rows) {
    if (row.Start > exposed.bottom() || row.Start + row.Size < exposed.top()) continue;
    for (const TBand& col : cols) {
      if (col.Start > exposed.right() || col.Start + col.Size < exposed.left()) continue;
      PaintCell(p, QRect(col.Start, row.Start, col.Size, row.Size), col.Index, row.Index, sel);
    }
  }
  // Columns kept in view end in a double line while the view scrolls.
  if (pinned > FTable.FixedCols() && v.FirstCol > pinned) {
    const int x = FixedWidth(FTable, client) - 1;
    p.fillRect(QRect(x - 1, 0, 2, viewport()->height()), FColors.FixedLine);
  }

  const int fixedHeight = FixedHeight(FTable);
  if (FController.State() == TGridState::gsColSizing) {
    p.setPen(QPen(FColors.Text, 1, Qt::DotLine));
    const int x = FController.SizingLine();
    p.drawLine(x, 0, x, viewport()->height());
  } else if (FController.State() == TGridState::gsColMoving &&
             FController.DropCol() != FController.DragCol()) {
    // The insertion mark: the side of the drop column the dragged one goes to.
    const QRect target = CellRect(FController.DropCol(), 0);
    if (!target.isNull()) {
      const int x =
          FController.DropCol() > FController.DragCol() ? target.right() + 1 : target.left() - 1;
      p.fillRect(QRect(x - 1, 0, 3, fixedHeight), QColor(0x1F, 0x4E, 0x8C));
    }
  }
}

// The gutter: the labels of the shown rows in the header style, the rows
// of the selection shaded.
void TTableGrid::PaintGutter(QPainter& p, const QRect& exposed) {
  const int width = FGutter->width();
  const TClientSize client = FController.ClientSize();
  const TTableFilter& filter = FController.Filter();
  const TVisibleRange v = VisibleRange(FTable, client, &filter);
  const TGridRect sel = FTable.Selection();
  p.fillRect(exposed, FColors.FixedBottom);
  p.setFont(FFixedFont);
  const QFontMetrics metrics(FFixedFont);
  for (const TBand& row : RowBands(FTable, filter, v, client)) {
    const QRect r(0, row.Start, width - kGridLineWidth, row.Size);
    if (!r.adjusted(0, 0, 1, 1).intersects(exposed)) continue;
    const bool selected =
        row.Index >= sel.Top && row.Index <= sel.Bottom && row.Index >= FTable.FixedRows();
    FillFixedCell(p, r, selected, FColors);
    if (FMarks.Row && row.Index >= FTable.FixedRows() && FMarks.Row(row.Index)) {
      p.fillRect(QRect(r.left(), r.top(), 4, r.height()), FColors.MarkedEdge);
    }
    p.setPen(FColors.FixedLine);
    p.drawLine(r.left(), r.bottom() + 1, r.right() + 1, r.bottom() + 1);
    p.setPen(FColors.FixedText);
    const QString label = ToQString(RowLabel(row.Index));
    p.drawText(QPoint(r.right() - kTextOffset - metrics.horizontalAdvance(label),
                      r.top() + kTextOffset + metrics.ascent()),
               label);
  }
  p.setPen(FColors.FixedLine);
  p.drawLine(width - 1, exposed.top(), width - 1, exposed.bottom());
}

// A cell's tooltip comes from the marks; elsewhere any tooltip goes.
bool TTableGrid::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const TGridCoord cell = CellAt(FTable, FController.ClientSize(), help->pos().x(), help->pos().y(),
                                 &FController.Filter());
  const QString tip =
      FMarks.Tip && cell.X >= 0 && cell.Y >= 0 ? FMarks.Tip(cell.X, cell.Y) : QString();
  if (tip.isEmpty()) {
    QToolTip::hideText();
  } else {
    const TPixelRect r =
        tessary::CellRect(FTable, FController.ClientSize(), cell.X, cell.Y, &FController.Filter());
    QToolTip::showText(help->globalPos(), tip, viewport(),
                       QRect(r.Left, r.Top, r.Width(), r.Height()));
  }
  return true;
}

// --- Input ---------------------------------------------------------------------------

void TTableGrid::keyPressEvent(QKeyEvent* event) {
  // Keys that reach the grid while its editor is open belong to the editor.
  // A key the editor leaves unhandled comes back here as its parent's: ignore it.
  if (FController.EditorMode() && FEditor) {
    if (FForwardingKey) {
      event->ignore();
      return;
    }
    FForwardingKey = true;
    FEditor->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(FEditor, event);
    FForwardingKey = false;
    return;
  }
  const TGridKey key = GridKeyFromQt(event->key());
  bool handled =
      key != TGridKey::gkOther && FController.KeyDown(key, KeyModsFromQt(event->modifiers()));
  const QString text = event->text();
  if (!handled && !text.isEmpty() && !FController.EditorMode()) {
    handled = FController.KeyPress(text.at(0).unicode());
    // The rest of a composed input goes to the editor the first one opened.
    for (qsizetype i = 1; handled && FController.EditorMode() && i < text.size(); ++i) {
      Editor().TypeChar(text.at(i).unicode());
    }
  }
  if (handled) {
    event->accept();
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

void TTableGrid::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  FController.MouseDown(pos.x(), pos.y(), KeyModsFromQt(event->modifiers()));
  // A press beside the cells leaves an open editor open: it keeps the keys.
  if (FController.EditorMode() && FEditor) FEditor->setFocus(Qt::MouseFocusReason);
}

void TTableGrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  FController.MouseMove(pos.x(), pos.y());
}

void TTableGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  FController.MouseUp(pos.x(), pos.y());
}

void TTableGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  FController.DoubleClick(pos.x(), pos.y());
}

// One step per 120 units of wheel rotation; finer wheels add up. Shift
// turns the wheel sideways, as a horizontal wheel is.
void TTableGrid::WheelBy(QWheelEvent* event) {
  QPoint delta = event->angleDelta();
  if (event->modifiers().testFlag(Qt::ShiftModifier) && delta.x() == 0)
    delta = QPoint(delta.y(), 0);
  FWheelRemainder += delta.y();
  FSidewaysRemainder += delta.x();
  const int steps = FWheelRemainder / 120;
  const int sideways = FSidewaysRemainder / 120;
  FWheelRemainder -= steps * 120;
  FSidewaysRemainder -= sideways * 120;
  FController.Navigation().WheelRows = QApplication::wheelScrollLines();
  if (steps != 0) FController.Wheel(steps);
  if (sideways != 0) FController.Wheel(sideways, true);
  event->accept();
}

void TTableGrid::wheelEvent(QWheelEvent* event) { WheelBy(event); }

// The right button selects what it points at unless that lies in the
// selection; the menu key opens the menu at the current cell.
void TTableGrid::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Mouse) {
    if (!FController.ContextClick(event->pos().x(), event->pos().y())) return;
    emit ContextMenuRequested(event->globalPos());
    return;
  }
  FController.HideInplaceEdit();
  FController.ScrollCurrentIntoView();
  const QRect cell = CellRect(FTable.Col(), FTable.Row());
  emit ContextMenuRequested(viewport()->mapToGlobal(cell.isNull() ? QPoint(0, 0) : cell.center()));
}

}  // namespace tessary
