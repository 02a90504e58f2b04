// The window's start-up file is a native path: a name that is not valid
// UTF-8 is opened, saved and exported under exactly its own bytes.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <memory>

#include "app/frm_tessary.h"
#include "gff/g2da.h"
#include "grid/cell_table.h"
#include "grid/widget/table_grid.h"
#include "gui_fakes.h"

namespace tessary {
namespace {

TEST(StartFile, NameThatIsNotUtf8IsSavedAndExportedUnderItsOwnBytes) {
  testing::FakeBoxes boxes;
  testing::FakeDialog dialog;
  QTemporaryDir tmp;
  const std::filesystem::path dir = tmp.path().toStdString();
  const std::filesystem::path file = dir / "t\xFF.gda";
  TCellTable table;
  table.SetColCount(1);
  table.SetCells(0, 0, u"ID");
  table.SetCells(0, 1, u"int");
  table.SetCells(0, 2, u"7");
  ASSERT_TRUE(SaveGDA(table, file));

  auto w = std::make_unique<TfrmTessary>(file, &dialog);
  EXPECT_EQ(w->GDAGrid->Table().Cells(0, 2), u"7");
  w->GDAGrid->Table().SetCells(0, 2, u"8");
  w->MSaveClick();
  w->MExcelfileClick();
  TCellTable back;
  ASSERT_TRUE(LoadGDA(back, file));
  EXPECT_EQ(back.Cells(0, 2), u"8");
  EXPECT_TRUE(std::filesystem::exists(dir / "t\xFF.xls"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

}  // namespace
}  // namespace tessary
