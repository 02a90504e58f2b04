// The editor window driven by real key and mouse events under the offscreen
// platform, with stand-ins for the file dialog and the message boxes.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <memory>

#include "app/frm_tessary.h"
#include "gff/g2da.h"
#include "grid/widget/table_grid.h"
#include "grid/widget/table_inplace_edit.h"
#include "gui_fakes.h"

namespace tessary {
namespace {

using testing::FakeBoxes;
using testing::FakeDialog;
using testing::Press;
using testing::Type;

class WindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<TfrmTessary> Start(const QString& startFile = QString()) {
    return testing::StartWindow(&dialog_, startFile);
  }
  QString Sample(const QString& name) {
    const QString path = dir_.filePath(name);
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(QStringLiteral(TESSARY_SOURCE_DIR "/samples/sample.gda"), path));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return path;
  }
  static std::u16string Cell(TfrmTessary& w, int32_t c, int32_t r) {
    return std::u16string(w.GDAGrid->Table().Cells(c, r));
  }

  FakeBoxes boxes_;
  FakeDialog dialog_;
  QTemporaryDir dir_;
};

TEST_F(WindowTest, StartsWithANewTableInDesignerMode) {
  auto w = Start();
  const TCellTable& t = w->GDAGrid->Table();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tessary *ALPHA*  -  noname.gda"));
  EXPECT_EQ(w->GDAFilename(), QStringLiteral("noname.gda"));
  EXPECT_EQ(t.ColCount(), 1);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.FixedRows(), 0);
  EXPECT_EQ(t.Cells(0, 0), u"ID");
  EXPECT_EQ(t.Cells(0, 1), u"int");
  EXPECT_EQ(t.Cells(0, 2), u"");
  EXPECT_EQ(t.ColWidths(0), 86);
  EXPECT_EQ(w->ModeButtons->checkedId(), 1);
  EXPECT_EQ(w->ColCountSpinEdit->value(), 1);
  EXPECT_EQ(w->ColCountSpinEdit->minimum(), 1);
  EXPECT_EQ(w->ColCountSpinEdit->maximum(), 100);
  EXPECT_FALSE(w->DelKeyRemRow->isChecked());
  EXPECT_FALSE(w->InsKeyInsRow->isChecked());
  EXPECT_TRUE(w->DownKeyAddRow->isChecked());
  EXPECT_EQ(w->ModeRadio->title(), QStringLiteral("Mode"));
  EXPECT_EQ(w->ColApplyBtn->text(), QStringLiteral("Apply Change"));
  QStringList items;
  for (QAction* a : w->MFile->actions()) {
    if (!a->isSeparator()) items << a->text();
  }
  EXPECT_EQ(items.join(u','),
            QStringLiteral("Open,Save,Save as,Close,Export to,Import from,"
                           "Open recent,New window,Compare with...,Append table...,Quit"));
  EXPECT_EQ(w->StatusCell->text(), QStringLiteral("Names row, column ID (int)"));
  EXPECT_EQ(w->StatusSize->text(), QStringLiteral("1 row x 1 column"));
  EXPECT_TRUE(boxes_.Shown.empty());

  // Larger than the controls need, within the screen; at the smallest size
  // every control still shows whole.
  const QRect screen = w->screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(w->frameGeometry())) << screen.width() << "x" << screen.height();
  EXPECT_GT(w->GDAGrid->height(), 300);
  w->resize(1, 1);
  QCoreApplication::processEvents();
  for (QWidget* c : std::initializer_list<QWidget*>{
           w->ModeButtons->button(0), w->ModeButtons->button(1), w->ColCountSpinEdit,
           w->ColApplyBtn, w->DelKeyRemRow, w->InsKeyInsRow, w->DownKeyAddRow}) {
    EXPECT_GE(c->width(), c->sizeHint().width()) << c->metaObject()->className();
    EXPECT_TRUE(w->rect().contains(QRect(c->mapTo(w.get(), QPoint(0, 0)), c->size())));
  }
}

TEST_F(WindowTest, AStartFileOfAnotherKindShowsOneErrorAndTheNewTable) {
  const QString path = dir_.filePath(QStringLiteral("notes.gda"));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("this is no table file at all, just some text");
  f.close();
  auto w = Start(path);
  ASSERT_EQ(boxes_.Shown.size(), 1u);
  EXPECT_EQ(boxes_.Shown[0].Text, QStringLiteral("Unrecognized file format."));
  EXPECT_EQ(boxes_.Shown[0].Caption, QStringLiteral("Error:"));
  EXPECT_EQ(boxes_.Shown[0].Icon, TBoxIcon::biNone);
  EXPECT_EQ(w->GDAFilename(), QStringLiteral("noname.gda"));
  EXPECT_EQ(Cell(*w, 0, 0), u"ID");
}

TEST_F(WindowTest, OpenEditSaveAndReopen) {
  const QString path = Sample(QStringLiteral("items.gda"));
  auto w = Start();
  dialog_.Answer = path;
  w->MOpen->trigger();
  EXPECT_EQ(dialog_.LastFilter, QStringLiteral("GDA files|*.gda|All files|*"));
  EXPECT_EQ(dialog_.LastFileName, QString());
  const TCellTable& t = w->GDAGrid->Table();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tessary *ALPHA*  -  items.gda"));
  EXPECT_EQ(t.FixedRows(), 2);
  EXPECT_EQ(w->ModeButtons->checkedId(), 0);
  EXPECT_EQ(w->ColCountSpinEdit->value(), t.ColCount());
  ASSERT_EQ(t.Current(), (TGridCoord{0, 2}));

  // Type into the label cell of the first data row and commit with Enter.
  Press(Qt::Key_Right);
  Type(QStringLiteral("Hero"));
  ASSERT_TRUE(w->GDAGrid->EditorMode());
  Press(Qt::Key_Return);
  EXPECT_FALSE(w->GDAGrid->EditorMode());
  EXPECT_EQ(Cell(*w, 1, 2), u"Hero");
  EXPECT_EQ(t.Current(), (TGridCoord{2, 2}));

  w->MSave->trigger();
  w->MClose->trigger();
  EXPECT_EQ(Cell(*w, 1, 2), u"");
  w->MOpen->trigger();
  EXPECT_EQ(Cell(*w, 1, 2), u"Hero");
  EXPECT_TRUE(boxes_.Shown.empty());
}

TEST_F(WindowTest, CancelledOrFailedOpenKeepsTheWindowAsItWas) {
  auto w = Start();
  w->MOpen->trigger();  // dialog cancelled
  dialog_.Answer = dir_.filePath(QStringLiteral("missing.gda"));
  w->MOpen->trigger();
  ASSERT_EQ(boxes_.Shown.size(), 1u);
  EXPECT_EQ(boxes_.Shown[0].Text,
            QStringLiteral("File cannot be opened (Is it already in use?).\n") + *dialog_.Answer +
                QStringLiteral(": No such file or directory"));
  EXPECT_EQ(w->GDAFilename(), QStringLiteral("noname.gda"));
  EXPECT_EQ(w->ModeButtons->checkedId(), 1);
}

TEST_F(WindowTest, SaveAsUsesTheNameAsTypedAndShowsItInTheCaption) {
  auto w = Start();
  const QString path = dir_.filePath(QStringLiteral("table"));
  dialog_.Answer = path;
  boxes_.CheckAnswers = {TCheckChoice::ccSaveAnyway};  // its empty row has no ID
  w->MSaveas->trigger();
  EXPECT_EQ(dialog_.LastFileName, QStringLiteral("noname.gda"));
  EXPECT_EQ(dialog_.LastFilter, QStringLiteral("GDA files|*.gda|All files|*"));
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_FALSE(QFile::exists(path + QStringLiteral(".gda")));
  EXPECT_EQ(w->GDAFilename(), path);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tessary *ALPHA*  -  table"));
}

TEST_F(WindowTest, ASaveThatCannotCreateItsFileReachesTheGeneralErrorReport) {
  auto w = Start();
  dialog_.Answer = dir_.filePath(QStringLiteral("no/such/folder/t.gda"));
  boxes_.CheckAnswers = {TCheckChoice::ccSaveAnyway};
  w->MSaveas->trigger();
  ASSERT_EQ(boxes_.Shown.size(), 1u);
  EXPECT_EQ(boxes_.Shown[0].Caption, QStringLiteral("Tessary"));
  EXPECT_EQ(boxes_.Shown[0].Icon, TBoxIcon::biError);
  EXPECT_EQ(boxes_.Shown[0].Text, QStringLiteral("File cannot be written.\n") + *dialog_.Answer +
                                      QStringLiteral(": No such file or directory."));
  EXPECT_EQ(w->GDAFilename(), QStringLiteral("noname.gda"));
}

TEST_F(WindowTest, CloseStartsTheNewTableAndTheSpinValueFollows) {
  const QString path = Sample(QStringLiteral("items.gda"));
  auto w = Start(path);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tessary *ALPHA*  -  items.gda"));
  const int cols = w->GDAGrid->Table().ColCount();
  ASSERT_GT(cols, 3);
  w->MClose->trigger();
  EXPECT_EQ(w->GDAGrid->Table().ColCount(), 1);
  EXPECT_EQ(w->GDAGrid->Table().FixedRows(), 0);
  EXPECT_EQ(w->ColCountSpinEdit->value(), 1);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tessary *ALPHA*  -  noname.gda"));
  // Apply Change to the earlier count: nothing of the closed table shows.
  w->ColCountSpinEdit->setValue(cols);
  QTest::mouseClick(w->ColApplyBtn, Qt::LeftButton);
  EXPECT_EQ(w->GDAGrid->Table().ColCount(), cols);
  for (int32_t c = 1; c < cols; ++c) {
    for (int32_t r = 0; r < 3; ++r) EXPECT_EQ(Cell(*w, c, r), u"") << c << "," << r;
  }
}

TEST_F(WindowTest, ApplyChangeEmptiesDroppedColumnsAndAddsEmptyOnes) {
  auto w = Start();
  TCellTable& t = w->GDAGrid->Table();
  w->ColCountSpinEdit->setValue(5);
  QTest::mouseClick(w->ColApplyBtn, Qt::LeftButton);
  ASSERT_EQ(t.ColCount(), 5);
  for (int32_t c = 0; c < 5; ++c) t.SetCells(c, 0, u"n");
  w->ColCountSpinEdit->setValue(3);
  boxes_.YesNoAnswers = {true};
  QTest::mouseClick(w->ColApplyBtn, Qt::LeftButton);
  EXPECT_EQ(t.ColCount(), 3);
  EXPECT_EQ(t.Cells(3, 0), u"");
  EXPECT_EQ(t.Cells(4, 0), u"");
  w->ColCountSpinEdit->setValue(5);
  QTest::mouseClick(w->ColApplyBtn, Qt::LeftButton);
  EXPECT_EQ(t.Cells(2, 0), u"n");
  EXPECT_EQ(t.Cells(3, 0), u"");
}

TEST_F(WindowTest, OpeningASmallerTableLeavesNothingOfTheLargerOne) {
  auto w = Start(Sample(QStringLiteral("items.gda")));
  TCellTable& t = w->GDAGrid->Table();
  // A table of two columns and no rows.
  TCellTable small;
  small.SetColCount(2);
  small.SetRowCount(2);
  small.SetCells(0, 0, u"ID");
  small.SetCells(0, 1, u"int");
  small.SetCells(1, 0, u"Label");
  small.SetCells(1, 1, u"string");
  const QString smallPath = dir_.filePath(QStringLiteral("small.gda"));
  ASSERT_TRUE(SaveGDA(small, QFile::encodeName(smallPath).toStdString()));
  dialog_.Answer = smallPath;
  w->MOpen->trigger();
  EXPECT_EQ(t.ColCount(), 2);
  EXPECT_EQ(t.RowCount(), 3);  // Editor mode shows one data row
  EXPECT_EQ(t.Cells(0, 2), u"");
  EXPECT_EQ(t.Cells(1, 2), u"");
  w->ColCountSpinEdit->setValue(6);
  QTest::mouseClick(w->ColApplyBtn, Qt::LeftButton);
  for (int32_t c = 2; c < 6; ++c) EXPECT_EQ(t.Cells(c, 0), u"") << c;
}

TEST_F(WindowTest, SwitchingModesFixesTheHeaderRows) {
  auto w = Start();
  TCellTable& t = w->GDAGrid->Table();
  t.SetRowCount(2);
  QTest::mouseClick(w->ModeButtons->button(0), Qt::LeftButton);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.FixedRows(), 2);
  EXPECT_EQ(t.Current(), (TGridCoord{0, 2}));
  QTest::mouseClick(w->ModeButtons->button(1), Qt::LeftButton);
  EXPECT_EQ(t.FixedRows(), 0);
  EXPECT_EQ(t.Current(), (TGridCoord{0, 0}));
}

TEST_F(WindowTest, DeleteKeyRemovesTheRowThroughTheWindowsHandler) {
  auto w = Start(Sample(QStringLiteral("items.gda")));
  TCellTable& t = w->GDAGrid->Table();
  const int32_t rows = t.RowCount();
  const std::u16string second(t.Cells(1, 3));
  Press(Qt::Key_Delete);  // option off: nothing
  EXPECT_EQ(t.RowCount(), rows);
  QTest::mouseClick(w->DelKeyRemRow, Qt::LeftButton);
  EXPECT_TRUE(w->GDAGrid->Navigation().AllowDeleteRow);
  w->GDAGrid->setFocus();
  Press(Qt::Key_Delete);
  EXPECT_EQ(t.RowCount(), rows - 1);
  EXPECT_EQ(t.Cells(1, 2), second);
  // The removed row was emptied first, so it is parked empty.
  for (int32_t c = 0; c < t.ColCount(); ++c) EXPECT_EQ(t.Cells(c, rows - 1), u"");
}

TEST_F(WindowTest, QuickOptionsSwitchTheGridsRowKeys) {
  auto w = Start();
  QTest::mouseClick(w->InsKeyInsRow, Qt::LeftButton);
  QTest::mouseClick(w->DownKeyAddRow, Qt::LeftButton);
  EXPECT_TRUE(w->GDAGrid->Navigation().AllowInsertRow);
  EXPECT_FALSE(w->GDAGrid->Navigation().AppendOnArrowDown);
  w->GDAGrid->setFocus();
  Press(Qt::Key_Insert);
  EXPECT_EQ(w->GDAGrid->Table().RowCount(), 4);
  EXPECT_EQ(w->GDAGrid->Table().Cells(0, 0), u"");
  EXPECT_EQ(w->GDAGrid->Table().Cells(0, 1), u"ID");
}

TEST_F(WindowTest, FocusLeavingTheEditorCommitsIt) {
  auto w = Start();
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  Type(QStringLiteral("7"));
  ASSERT_TRUE(w->GDAGrid->EditorMode());
  Press(Qt::Key_Tab);
  EXPECT_FALSE(w->GDAGrid->EditorMode());
  EXPECT_EQ(Cell(*w, 0, 2), u"7");
}

}  // namespace
}  // namespace tessary
