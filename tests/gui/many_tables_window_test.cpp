// Append table and Find in files in the window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeView>
#include <memory>

#include "app/find_in_files_dialog.h"
#include "app/find_in_files_panel.h"
#include "app/frm_tessary.h"
#include "gff/g2da.h"
#include "grid/widget/table_grid.h"
#include "gui_fakes.h"
#include "support/table_rows.h"

namespace tessary {
namespace {

using testing::FakeBoxes;
using testing::FakeDialog;

class ManyTablesWindowTest : public ::testing::Test {
 protected:
  QString Save(const QString& file, testing::TRows rows) {
    TCellTable t;
    testing::FillRows(t, rows);
    const QString path = dir_.filePath(file);
    EXPECT_TRUE(SaveGDA(t, QFile::encodeName(path).toStdString()));
    return path;
  }
  static std::vector<std::u16string> Row(const TCellTable& t, int32_t row) {
    std::vector<std::u16string> cells;
    for (int32_t c = 0; c < t.ColCount(); ++c) cells.emplace_back(t.Cells(c, row));
    return cells;
  }

  FakeBoxes boxes_;
  FakeDialog dialog_;
  QTemporaryDir dir_;
};

TEST_F(ManyTablesWindowTest, AppendTableIsOneStepAndNamesDuplicateIds) {
  auto w = testing::StartWindow(
      &dialog_,
      Save("base.gda", {{u"ID", u"Name"}, {u"int", u"string"}, {u"10", u"a"}, {u"20", u"b"}}));
  TCellTable& t = w->GDAGrid->Table();
  // The columns in another order.
  dialog_.Answers = {
      Save("ext.gda", {{u"Name", u"ID"}, {u"string", u"int"}, {u"c", u"30"}, {u"d", u"20"}})};
  w->MAppendtableClick();
  ASSERT_EQ(t.RowCount(), 6);
  EXPECT_EQ(Row(t, 4), (std::vector<std::u16string>{u"30", u"c"}));
  EXPECT_EQ(Row(t, 5), (std::vector<std::u16string>{u"20", u"d"}));
  EXPECT_EQ(t.Row(), 4);
  EXPECT_EQ(w->statusBar()->currentMessage(),
            QStringLiteral("Appended 2 rows from ext.gda; 1 duplicate ID: 20 in rows 2 and 4."));
  w->EditUndo();
  EXPECT_EQ(t.RowCount(), 4);
  EXPECT_FALSE(w->Modified());

  // A different column set, and a file that is not a table: nothing changes.
  dialog_.Answers = {Save("other.gda", {{u"ID", u"Cost"}, {u"int", u"float"}, {u"1", u"2"}})};
  w->MAppendtableClick();
  QFile junk(dir_.filePath(QStringLiteral("junk.gda")));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a table at all");
  junk.close();
  dialog_.Answers = {junk.fileName()};
  w->MAppendtableClick();
  ASSERT_EQ(boxes_.Shown.size(), 2u);
  EXPECT_EQ(boxes_.Shown[0].Text,
            QStringLiteral("other.gda cannot be appended: its column \"Cost\" (float) is not in "
                           "this table. A table is appended only when it has the same columns."));
  EXPECT_EQ(boxes_.Shown[1].Text, QStringLiteral("File is corrupted."));
  EXPECT_EQ(t.RowCount(), 4);
  EXPECT_FALSE(w->Modified());
}

TEST_F(ManyTablesWindowTest, FindInFilesListsCellsAndOpensTheActivatedOne) {
  Save("a.gda", {{u"ID", u"Label"}, {u"int", u"string"}, {u"7", u"Phoenix Claws"}, {u"8", u"x"}});
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("sub")));
  Save("sub/b.gda", {{u"Name"}, {u"string"}, {u"x"}, {u"claws\tof ash"}});
  QFile broken(dir_.filePath(QStringLiteral("broken.gda")));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.close();

  auto w = testing::StartWindow(&dialog_);
  w->GDAGrid->History().SetCells(0, 2, u"5");  // an unsaved change
  w->MFindinfilesClick();
  TFindInFilesDialog* dialog = w->FindInFilesDialog();
  ASSERT_NE(dialog, nullptr);
  dialog->FindText->setText(QStringLiteral("CLAWS"));
  dialog->Folder->setText(dir_.path());
  dialog->Subfolders->setChecked(true);
  dialog->FindBtn->click();
  TFindInFilesPanel* panel = w->FindInFilesPanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([panel] { return !panel->Running(); }, 10000));

  const TFoundLinesModel& m = *panel->Model();
  auto line = [&m](int row) {
    QStringList cells;
    for (int c = 0; c < m.columnCount(); ++c) cells << m.index(row, c).data().toString();
    return cells.join(QLatin1Char('|'));
  };
  ASSERT_EQ(m.rowCount(), 3);
  EXPECT_EQ(line(0), QStringLiteral("a.gda|1|7|Label|Phoenix Claws"));
  EXPECT_EQ(line(1), QStringLiteral("broken.gda||||File is corrupted."));
  EXPECT_EQ(line(2), QStringLiteral("sub/b.gda|2||Name|claws\\tof ash"));
  EXPECT_EQ(panel->Count->text(),
            QStringLiteral("2 cells found in 2 tables of 3. 1 file could not be read."));

  // While a modal box shows, the search waits.
  QDialog modal(w.get());
  modal.setModal(true);
  modal.show();
  dialog->FindBtn->click();
  QTest::qWait(150);
  EXPECT_TRUE(panel->Running());
  EXPECT_EQ(m.rowCount(), 0);
  modal.close();
  ASSERT_TRUE(QTest::qWaitFor([panel] { return !panel->Running(); }, 10000));
  EXPECT_EQ(m.rowCount(), 3);

  // Cancel at the unsaved-changes question keeps the table; Discard opens
  // the file with the found cell current.
  emit panel->List->activated(m.index(2, 0));
  EXPECT_EQ(boxes_.Questions.size(), 1u);
  EXPECT_EQ(w->GDAFilename(), kNewFileName);
  EXPECT_TRUE(w->Modified());
  boxes_.SaveAnswers = {TSaveChoice::scDiscard};
  emit panel->List->activated(m.index(2, 0));
  EXPECT_EQ(FileNamePart(w->GDAFilename()), QStringLiteral("b.gda"));
  EXPECT_EQ(w->GDAGrid->Table().Current(), (TGridCoord{0, 3}));
}

}  // namespace
}  // namespace tessary
