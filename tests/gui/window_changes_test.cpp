// Work in the window is never lost unasked: the unsaved-changes question,
// Save as, Apply Change, loading over a table, values Save would store as 0,
// undo keys and the keyboard focus.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
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
using testing::Focus;
using testing::Press;
using testing::Type;

class WindowChangesTest : public ::testing::Test {
 protected:
  std::unique_ptr<TfrmTessary> Start(const QString& startFile = QString()) {
    return testing::StartWindow(&dialog_, startFile);
  }
  // A table of `cols` columns ("int" first, then strings) and one data row.
  QString Table(const QString& name, int32_t cols) {
    TCellTable t;
    t.SetColCount(cols);
    for (int32_t c = 0; c < cols; ++c) {
      t.SetCells(c, 0, c == 0 ? u"ID" : u"$0000000" + std::u16string(1, u'1' + c % 9));
      t.SetCells(c, 1, c == 0 ? u"int" : u"string");
      t.SetCells(c, 2, c == 0 ? u"7" : u"v");
    }
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(SaveGDA(t, QFile::encodeName(path).toStdString()));
    return path;
  }
  static void Edit(TfrmTessary& w, const QString& text) {
    w.GDAGrid->setFocus();
    Type(text);
    Press(Qt::Key_Return);
  }

  FakeBoxes boxes_;
  FakeDialog dialog_;
  QTemporaryDir dir_;
};

TEST_F(WindowChangesTest, CommandsThatDropTheTableAskFirst) {
  const QString path = Table(QStringLiteral("t.gda"), 2);
  auto w = Start(path);
  Edit(*w, QStringLiteral("9"));
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tessary *ALPHA*  -  t.gda *"));
  w->EditUndo();  // back at the opened state: no marker
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tessary *ALPHA*  -  t.gda"));
  w->EditRedo();

  w->MQuit->trigger();  // Cancel
  ASSERT_EQ(boxes_.Questions.size(), 1u);
  EXPECT_EQ(boxes_.Questions[0], QStringLiteral("Save changes to t.gda?"));
  EXPECT_TRUE(w->isVisible());

  boxes_.SaveAnswers = {TSaveChoice::scDiscard};
  w->MClose->trigger();
  EXPECT_EQ(w->GDAFilename(), QStringLiteral("noname.gda"));
  EXPECT_FALSE(w->Modified());

  // Save: a table without a file goes through the save dialog; then Open.
  Edit(*w, QStringLiteral("x"));
  boxes_.SaveAnswers = {TSaveChoice::scSave};
  const QString saved = dir_.filePath(QStringLiteral("new.gda"));
  dialog_.Answers = {saved, path};
  w->MOpen->trigger();
  EXPECT_EQ(dialog_.SaveCalls, 1);
  EXPECT_TRUE(QFile::exists(saved));
  EXPECT_EQ(w->GDAFilename(), path);

  // The close button: a failed save keeps the window open.
  Edit(*w, QStringLiteral("1"));
  QFile::remove(path);
  QDir().mkpath(path + QStringLiteral("/inside"));  // a folder stands where the file was
  boxes_.SaveAnswers = {TSaveChoice::scSave};
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  boxes_.SaveAnswers = {TSaveChoice::scDiscard};
  EXPECT_TRUE(w->close());
}

TEST_F(WindowChangesTest, SaveAsAsksBeforeReplacingAndSaveWithoutAFileUsesIt) {
  const QString existing = Table(QStringLiteral("old.gda"), 3);
  const qint64 size = QFileInfo(existing).size();
  auto w = Start();
  w->MSave->trigger();  // a new table: the save dialog, prefilled
  EXPECT_EQ(dialog_.SaveCalls, 1);
  EXPECT_EQ(dialog_.LastFileName, QStringLiteral("noname.gda"));
  EXPECT_FALSE(QFile::exists(QStringLiteral("noname.gda")));

  dialog_.Answers = {existing, std::nullopt};  // No: the dialog comes back
  w->MSaveas->trigger();
  ASSERT_EQ(boxes_.Questions.size(), 1u);
  EXPECT_EQ(boxes_.Questions[0],
            QStringLiteral("old.gda already exists.\nDo you want to replace it?"));
  EXPECT_EQ(dialog_.LastFileName, existing);
  EXPECT_EQ(QFileInfo(existing).size(), size);

  dialog_.Answers = {existing};
  boxes_.YesNoAnswers = {true};
  boxes_.CheckAnswers = {TCheckChoice::ccSaveAnyway};  // its empty row has no ID
  w->MSaveas->trigger();
  EXPECT_NE(QFileInfo(existing).size(), size);
  EXPECT_EQ(w->GDAFilename(), existing);
}

TEST_F(WindowChangesTest, ApplyChangeOnA150ColumnTable) {
  auto w = Start(Table(QStringLiteral("wide.gda"), 150));
  TCellTable& t = w->GDAGrid->Table();
  EXPECT_EQ(t.ColCount(), 150);
  EXPECT_EQ(w->ColCountSpinEdit->value(), 150);
  EXPECT_GE(w->ColCountSpinEdit->maximum(), 150);

  w->ColCountSpinEdit->setValue(148);
  QTest::mouseClick(w->ColApplyBtn, Qt::LeftButton);  // No
  ASSERT_EQ(boxes_.Questions.size(), 1u);
  EXPECT_EQ(boxes_.Questions[0],
            QStringLiteral("Apply Change empties 2 columns holding 6 cells. Go on?"));
  EXPECT_EQ(t.ColCount(), 150);
  boxes_.YesNoAnswers = {true};
  QTest::mouseClick(w->ColApplyBtn, Qt::LeftButton);
  EXPECT_EQ(t.ColCount(), 148);
  EXPECT_TRUE(w->Modified());
  w->EditUndo();
  EXPECT_EQ(t.ColCount(), 150);
  EXPECT_EQ(t.Cells(149, 2), u"v");
  EXPECT_EQ(w->ColCountSpinEdit->value(), 150);
  EXPECT_FALSE(w->Modified());
}

TEST_F(WindowChangesTest, AFileWithoutARowListShowsNothingOfTheTableBefore) {
  const QString full = Table(QStringLiteral("full.gda"), 4);
  const QString bare = Table(QStringLiteral("bare.gda"), 2);
  {  // The top struct's second field, the row list, gets another label.
    QFile f(bare);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(88);
    const char label[4] = {0x14, 0x27, 0, 0};  // 10004
    f.write(label, 4);
  }
  auto w = Start(full);
  TCellTable& t = w->GDAGrid->Table();
  EXPECT_TRUE(w->OpenFile(bare));
  EXPECT_EQ(t.ColCount(), 2);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.Cells(0, 0), u"ID");
  for (int32_t c = 0; c < 4; ++c) EXPECT_EQ(t.Cells(c, 2), u"") << c;
}

TEST_F(WindowChangesTest, ValuesSaveWouldStoreAsZeroAreShownAndAskedAbout) {
  const QString path = Table(QStringLiteral("v.gda"), 2);
  auto w = Start(path);
  TCellTable& t = w->GDAGrid->Table();
  t.SetCells(0, 2, u"abc");
  t.MoveCurrent(TGridCoord{1, 2});
  const QImage cell = w->GDAGrid->viewport()->grab(w->GDAGrid->CellRect(0, 2)).toImage();
  int red = 0;
  for (int x = 0; x < cell.width(); ++x)
    for (int y = 0; y < cell.height(); ++y) red += cell.pixelColor(x, y).hsvHue() == 0;
  EXPECT_GT(red, 3);  // its text is red

  const qint64 size = QFileInfo(path).size();
  boxes_.CheckAnswers = {TCheckChoice::ccGoTo};
  w->MSave->trigger();
  ASSERT_EQ(boxes_.Questions.size(), 1u);
  EXPECT_EQ(
      boxes_.Questions[0],
      QStringLiteral("1 cell cannot be stored as its column type and will be saved as "
                     "another value (row 1, column ID).\n\nRow 1 has the ID 'abc', which is not a "
                     "number, and would be saved with the ID 0."));
  EXPECT_EQ(t.Current(), (TGridCoord{0, 2}));
  EXPECT_EQ(Focus(), w->GDAGrid);
  QFile::remove(path);
  boxes_.CheckAnswers = {TCheckChoice::ccSaveAnyway};
  w->MSave->trigger();
  ASSERT_TRUE(QFile::exists(path));
  EXPECT_EQ(QFileInfo(path).size(), size);
  TCellTable back;
  ASSERT_TRUE(LoadGDA(back, QFile::encodeName(path).toStdString()));
  EXPECT_EQ(back.Cells(0, 2), u"0");
}

TEST_F(WindowChangesTest, UndoKeysCopyAndTheEditorKeepStoredTexts) {
  auto w = Start();
  TCellTable& t = w->GDAGrid->Table();
  t.SetCells(0, 2, u"<b>x</b>");
  t.MoveCurrent(TGridCoord{0, 2});
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("<b>x</b>"));
  Press(Qt::Key_F2);  // the stored text, markup included
  Type(QStringLiteral("y"));
  Press(Qt::Key_Z, Qt::ControlModifier);  // the editor's own undo
  Press(Qt::Key_Y, Qt::ControlModifier);
  Press(Qt::Key_Z, Qt::ControlModifier);
  ASSERT_TRUE(w->GDAGrid->EditorMode());
  Type(QStringLiteral("z"));
  Press(Qt::Key_Return);
  EXPECT_EQ(t.Cells(0, 2), u"<b>x</b>z");
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.Cells(0, 2), u"<b>x</b>");
  Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(t.Cells(0, 2), u"<b>x</b>z");
}

TEST_F(WindowChangesTest, ShiftTabCommitsAndTheFocusFollowsTheWindowsOrder) {
  auto w = Start();
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  Type(QStringLiteral("5"));
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_FALSE(w->GDAGrid->EditorMode());
  EXPECT_EQ(w->GDAGrid->Table().Cells(0, 2), u"5");
  EXPECT_EQ(Focus(), w->DownKeyAddRow);

  // Tab from the grid: the checked mode, the count, the button, the boxes.
  w->GDAGrid->setFocus();
  for (QWidget* next : std::initializer_list<QWidget*>{
           w->ModeButtons->button(1), w->ColCountSpinEdit, w->ColApplyBtn, w->DelKeyRemRow,
           w->InsKeyInsRow, w->DownKeyAddRow, w->GDAGrid}) {
    Press(Qt::Key_Tab);
    EXPECT_TRUE(next->hasFocus()) << next->metaObject()->className();
  }

  // A menu command that ends an edit gives the keys back to the grid.
  Type(QStringLiteral("6"));
  ASSERT_TRUE(w->GDAGrid->EditorMode());
  w->MSaveas->trigger();  // cancelled
  EXPECT_EQ(Focus(), w->GDAGrid);
}

}  // namespace
}  // namespace tessary
