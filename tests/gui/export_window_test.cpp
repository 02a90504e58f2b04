// File > Export to > Excel file in the window: the target next to the
// document, the success box, and the one error box for every failure.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "app/frm_tessary.h"
#include "grid/widget/table_grid.h"
#include "gui_fakes.h"
#include "xls/workbook_file.h"

namespace tessary {
namespace {

using testing::FakeBoxes;
using testing::FakeDialog;

class ExportWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<TfrmTessary> Open(const QString& name) {
    const QString path = dir_.filePath(name);
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(QStringLiteral(TESSARY_SOURCE_DIR "/samples/sample.gda"), path));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    auto w = std::make_unique<TfrmTessary>(path, &dialog_);
    w->show();
    return w;
  }
  FakeBoxes boxes_;
  FakeDialog dialog_;
  QTemporaryDir dir_;
};

TEST_F(ExportWindowTest, MenuItemWritesTheWorkbookAndReports) {
  auto w = Open(QStringLiteral("items.gda"));
  ASSERT_NE(w->MExportto, nullptr);
  EXPECT_EQ(w->MExportto->title(), QStringLiteral("Export to"));
  EXPECT_EQ(w->MExcelfile->text(), QStringLiteral("Excel file"));
  w->MExcelfile->trigger();
  const QString target = dir_.filePath(QStringLiteral("items.xls"));
  ASSERT_EQ(boxes_.Shown.size(), 1u);
  EXPECT_EQ(boxes_.Shown[0].Text, QStringLiteral("Excel file created: ") + target);
  EXPECT_EQ(boxes_.Shown[0].Caption, QStringLiteral("Export to Excel"));
  EXPECT_EQ(boxes_.Shown[0].Icon, TBoxIcon::biNone);

  TWorkbookFile book;
  book.Connect();
  book.OpenFile(target.toStdString());
  ASSERT_EQ(book.SheetCount(), 1);
  book.SetActiveSheet(1);
  EXPECT_EQ(book.ActiveSheetName(), u"items.xls");
  const TXlsCellValue name = book.GetCellValue(1, 1);
  EXPECT_EQ(std::get<std::u16string>(name.Value), w->GDAGrid->Table().Cells(0, 0));
  // The document, its name and the grid are unchanged.
  EXPECT_EQ(w->GDAFilename(), dir_.filePath(QStringLiteral("items.gda")));

  // The command line writes the same bytes (the same widths included).
  const QString cliTarget = dir_.filePath(QStringLiteral("cli.xls"));
  const QString command =
      QStringLiteral(TESSARY_BINARY_DIR
                     "/src/cli/tessary-cli export '%1' '%2' --sheet items.xls > /dev/null")
          .arg(dir_.filePath(QStringLiteral("items.gda")), cliTarget);
  ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0);
  QFile windowFile(target), cliFile(cliTarget);
  ASSERT_TRUE(windowFile.open(QIODevice::ReadOnly));
  ASSERT_TRUE(cliFile.open(QIODevice::ReadOnly));
  EXPECT_TRUE(windowFile.readAll() == cliFile.readAll());
}

TEST_F(ExportWindowTest, AFailureShowsTheOneErrorBoxAndKeepsTheOldFile) {
  auto w = Open(QStringLiteral("locked.gda"));
  // A target that cannot be replaced: a directory of that name.
  const QString target = dir_.filePath(QStringLiteral("locked.xls"));
  ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/inside")));
  w->MExcelfile->trigger();
  ASSERT_EQ(boxes_.Shown.size(), 1u);
  // The fixed message, then the system's reason with the path.
  EXPECT_EQ(
      boxes_.Shown[0].Text,
      QStringLiteral("Error attempting to export as Excel file. Maybe File already in use?\n") +
          target + QStringLiteral(": Is a directory"));
  EXPECT_EQ(boxes_.Shown[0].Caption, QStringLiteral("Error:"));
  EXPECT_TRUE(QDir(target + QStringLiteral("/inside")).exists());
}

}  // namespace
}  // namespace tessary
