// The grid widget on its own: real mouse, key and wheel events, the system
// clipboard, and the colours it paints.
#include "grid/widget/table_grid.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QScrollBar>
#include <QWheelEvent>
#include <memory>

#include "grid/widget/table_inplace_edit.h"
#include "gui_fakes.h"

namespace tessary {
namespace {

using testing::Press;
using testing::Type;

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid_ = std::make_unique<TTableGrid>();
    grid_->resize(546, 274);
    TCellTable& t = grid_->Table();
    t.SetColCount(5);
    t.SetRowCount(20);
    t.SetColWidths(0, 86);
    t.SetFixedRows(2);
    for (int32_t c = 0; c < 5; ++c) {
      for (int32_t r = 0; r < 20; ++r) {
        t.SetCells(c, r, FromQString(QStringLiteral("%1%2").arg(QChar(u'a' + c)).arg(r)));
      }
    }
    grid_->show();
    QApplication::setActiveWindow(grid_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(grid_.get()));
    grid_->setFocus();
  }
  QPoint Center(int32_t col, int32_t row) { return grid_->CellRect(col, row).center(); }
  void Click(int32_t col, int32_t row) {
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, Center(col, row));
  }
  TCellTable& T() { return grid_->Table(); }

  std::unique_ptr<TTableGrid> grid_;
};

TEST_F(GridTest, ClickMakesACellCurrentAndASecondClickEdits) {
  Click(2, 4);
  EXPECT_EQ(T().Current(), (TGridCoord{2, 4}));
  EXPECT_FALSE(grid_->EditorMode());
  Click(2, 4);
  ASSERT_TRUE(grid_->EditorMode());
  TTableInplaceEdit* editor = grid_->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->geometry(), grid_->CellRect(2, 4));
  EXPECT_EQ(editor->textCursor().selectedText(), QStringLiteral("c4"));
  Type(QStringLiteral("new"));
  Click(3, 5);  // another cell: commit and move
  EXPECT_FALSE(grid_->EditorMode());
  EXPECT_EQ(T().Cells(2, 4), u"new");
  EXPECT_EQ(T().Current(), (TGridCoord{3, 5}));
}

TEST_F(GridTest, EscapeRestoresAndMultiLineTextKeepsItsLineBreaks) {
  T().SetCells(0, 2, u"one\r\ntwo");
  Press(Qt::Key_F2);
  ASSERT_TRUE(grid_->EditorMode());
  EXPECT_EQ(grid_->InplaceEditor()->toPlainText(), QStringLiteral("one\ntwo"));
  Press(Qt::Key_Up);  // caret on the last line: moves within the text
  EXPECT_TRUE(grid_->EditorMode());
  Type(QStringLiteral("X"));
  Press(Qt::Key_Escape);
  EXPECT_FALSE(grid_->EditorMode());
  EXPECT_EQ(T().Cells(0, 2), u"one\r\ntwo");
  Press(Qt::Key_F2);
  Press(Qt::Key_Return, Qt::ControlModifier);
  Type(QStringLiteral("3"));
  // The editor grows to show every line, the first one included.
  const int line = QFontMetrics(grid_->CellFont()).lineSpacing();
  EXPECT_GE(grid_->InplaceEditor()->height(), 3 * line);
  EXPECT_EQ(grid_->InplaceEditor()->geometry().top(), grid_->CellRect(0, 2).top());
  for (int i = 0; i < 12; ++i) Press(Qt::Key_Return, Qt::ControlModifier);
  EXPECT_LT(grid_->InplaceEditor()->height(), 9 * line + 23);  // up to eight lines, whole rows
  for (int i = 0; i < 12; ++i) Press(Qt::Key_Backspace);
  Press(Qt::Key_Return);
  EXPECT_EQ(T().Cells(0, 2), u"one\r\ntwo\r\n3");
}

TEST_F(GridTest, CopyAndPasteGoThroughTheSystemClipboard) {
  Press(Qt::Key_Right, Qt::ShiftModifier);
  Press(Qt::Key_Down, Qt::ShiftModifier);
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("a2\tb2\r\na3\tb3\r\n"));
  EXPECT_FALSE(grid_->EditorMode());

  Click(3, 10);
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(T().Cells(3, 10), u"a2");
  EXPECT_EQ(T().Cells(4, 11), u"b3");
  EXPECT_FALSE(grid_->EditorMode());

  QGuiApplication::clipboard()->setText(QStringLiteral("x\r\n"));
  Click(1, 6);
  Press(Qt::Key_F2);
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_TRUE(grid_->EditorMode());
  EXPECT_EQ(T().Cells(1, 6), u"b6x");  // written at once, editor stays open
  Press(Qt::Key_A, Qt::ControlModifier);
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("b6x"));
  Press(Qt::Key_Return);
  EXPECT_EQ(T().Cells(1, 6), u"b6x");
}

TEST_F(GridTest, DraggingAHeaderMovesTheColumn) {
  Click(1, 3);
  const QPoint from = Center(1, 0);
  const QPoint to = Center(3, 0);
  QTest::mousePress(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, from);
  EXPECT_EQ(grid_->Controller().State(), TGridState::gsColMoving);
  QMouseEvent move(QEvent::MouseMove, to, grid_->viewport()->mapToGlobal(to), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(grid_->viewport(), &move);
  QTest::mouseRelease(grid_->viewport(), Qt::LeftButton, Qt::NoModifier, to);
  EXPECT_EQ(grid_->Controller().State(), TGridState::gsNormal);
  EXPECT_EQ(T().Cells(3, 0), u"b0");
  EXPECT_EQ(T().Cells(1, 0), u"c0");
  EXPECT_EQ(T().Col(), 3);
}

TEST_F(GridTest, TheWheelScrollsTheView) {
  auto wheel = [this](int delta, Qt::KeyboardModifiers mods) {
    QWheelEvent event(Center(1, 3), grid_->viewport()->mapToGlobal(Center(1, 3)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(grid_->viewport(), &event);
  };
  wheel(-240, Qt::NoModifier);
  EXPECT_EQ(T().TopRow(), 8);      // three rows a notch
  EXPECT_EQ(T().Row(), 2);         // the current cell stays
  wheel(-120, Qt::ShiftModifier);  // sideways: all columns show, nothing moves
  EXPECT_EQ(T().TopRow(), 8);
  wheel(1200, Qt::NoModifier);
  EXPECT_EQ(T().TopRow(), 2);  // not into the fixed rows
}

// The gutter left of the cells numbers the rows and selects them; a
// right-click asks for the context menu.
TEST_F(GridTest, TheGutterSelectsRowsAndRightClicksAskForTheMenu) {
  QWidget* gutter = grid_->Gutter();
  ASSERT_TRUE(gutter->isVisible());
  EXPECT_EQ(gutter->geometry().right() + 1, grid_->viewport()->geometry().left());
  const int y = Center(0, 6).y();
  QTest::mouseClick(gutter, Qt::LeftButton, Qt::NoModifier, QPoint(5, y));
  EXPECT_EQ(T().Selection(), (TGridRect{0, 6, 4, 6}));
  QTest::mouseClick(gutter, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, Center(0, 8).y()));
  EXPECT_EQ(T().Selection(), (TGridRect{0, 6, 4, 8}));

  int asked = 0;
  QObject::connect(grid_.get(), &TTableGrid::ContextMenuRequested, [&asked] { ++asked; });
  QContextMenuEvent inside(QContextMenuEvent::Mouse, Center(2, 7),
                           grid_->viewport()->mapToGlobal(Center(2, 7)));
  QCoreApplication::sendEvent(grid_->viewport(), &inside);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(T().Selection(), (TGridRect{0, 6, 4, 8}));  // kept: the menu acts on it
}

TEST_F(GridTest, ScrollBarsFollowTheCurrentRow) {
  Press(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid_->verticalScrollBar()->value(), T().TopRow());
  EXPECT_GT(T().TopRow(), 2);
  grid_->verticalScrollBar()->setValue(2);
  EXPECT_EQ(T().TopRow(), 2);
}

TEST_F(GridTest, PaintsTheFixedRowsSelectionAndLines) {
  Press(Qt::Key_Right, Qt::ShiftModifier);
  const QImage image = grid_->viewport()->grab().toImage();
  const QRect fixed = grid_->CellRect(2, 0);
  const QColor top = image.pixelColor(fixed.left() + 1, fixed.top());
  const QColor bottom = image.pixelColor(fixed.left() + 1, fixed.bottom());
  EXPECT_GT(top.lightness(), bottom.lightness());  // the gradient darkens downward
  EXPECT_EQ(image.pixelColor(fixed.right() + 1, fixed.center().y()), TTableGrid::kFixedLineColor);
  const QRect selected = grid_->CellRect(1, 2);
  EXPECT_EQ(image.pixelColor(selected.right() - 1, selected.bottom() - 1),
            TTableGrid::kSelectionColor);
  const QRect normal = grid_->CellRect(2, 5);
  EXPECT_EQ(image.pixelColor(normal.right() + 1, normal.center().y()), TTableGrid::kLineColor);
  EXPECT_EQ(grid_->CellRect(0, 5).width(), 86);
  EXPECT_EQ(grid_->CellRect(1, 5).width(), 64);
  EXPECT_EQ(normal.height(), 22);
}

}  // namespace
}  // namespace tessary
