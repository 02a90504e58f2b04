// The window's start-up file is a native path: a name that is not valid
// UTF-8 is opened, saved and exported under exactly its own bytes.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "app/frm_tessary.h"
#include "exchange/table_import.h"
#include "gff/g2da.h"
#include "grid/widget/table_grid.h"
#include "gui_fakes.h"
#include "table/cell_table.h"

namespace tessary {
namespace {

TEST(StartFile, NameThatIsNotUtf8KeepsItsBytes) {
  testing::FakeBoxes boxes;
  testing::FakeDialog dialog;
  QTemporaryDir tmp;
  const std::filesystem::path dir = tmp.path().toStdString();
  std::filesystem::copy_file(TESSARY_SOURCE_DIR "/samples/sample.gda", dir / "t\xFF.gda");
  TfrmTessary w(dir / "t\xFF.gda", &dialog);
  EXPECT_EQ(w.GDAGrid->Table().Cells(1, 2), u"Human");
  w.GDAGrid->Table().SetCells(1, 2, u"Elf");
  w.MSaveClick();
  w.MExcelfileClick();
  TCellTable back;
  ASSERT_TRUE(LoadGDA(back, dir / "t\xFF.gda"));
  EXPECT_EQ(back.Cells(1, 2), u"Elf");
  ASSERT_TRUE(std::filesystem::exists(dir / "t\xFF.xls"));
  // The sheet name shows the byte that is not UTF-8 as U+FFFD.
  TWorkbookImport book;
  ASSERT_TRUE(book.Open(dir / "t\xFF.xls"));
  EXPECT_EQ(book.SheetNames(), std::vector<std::u16string>{u"t\uFFFD.xls"});
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

}  // namespace
}  // namespace tessary
