// File > Export to > CSV file and File > Import from in the window: the
// target beside the document, the import as a new unsaved document in
// Editor mode, the question before unsaved changes go, and refusals that
// change nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <memory>

#include "app/frm_tessary.h"
#include "exchange/table_csv.h"
#include "grid/widget/table_grid.h"
#include "gui_fakes.h"
#include "table/edit_history.h"

namespace tessary {
namespace {

using testing::FakeBoxes;
using testing::FakeDialog;

class FakeSheetChoice : public TSheetChoicePort {
 public:
  std::optional<int> Choose(QWidget*, const QString&, const QStringList& sheets,
                            int preselected) override {
    Sheets = sheets;
    Preselected = preselected;
    return Answer ? Answer : preselected;
  }
  QStringList Sheets;
  int Preselected = -1;
  std::optional<int> Answer;
};

class ImportWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<TfrmTessary> Open(const QString& name) {
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(QFile::copy(QStringLiteral(TESSARY_SOURCE_DIR "/samples/sample.gda"), path));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    auto w = std::make_unique<TfrmTessary>(path, &dialog_);
    w->SheetChoice = &sheets_;
    return w;
  }
  FakeBoxes boxes_;
  FakeDialog dialog_;
  FakeSheetChoice sheets_;
  QTemporaryDir dir_;
};

TEST_F(ImportWindowTest, ExportedCsvAndWorkbookImportAsUnsavedDocuments) {
  auto w = Open(QStringLiteral("items.gda"));
  EXPECT_EQ(w->MCsvfile->text(), QStringLiteral("CSV file..."));
  EXPECT_EQ(w->MImportfrom->title(), QStringLiteral("Import from"));
  EXPECT_EQ(w->MImportExcelfile->text(), QStringLiteral("Excel file..."));
  EXPECT_EQ(w->MImportCsvfile->text(), QStringLiteral("CSV file..."));
  const std::string original = TableToCsv(w->GDAGrid->Table());
  // The save dialog starts with the document's name and ".csv".
  const QString csvPath = dir_.filePath("items.csv");
  dialog_.Answers = {csvPath};
  w->MCsvfile->trigger();
  EXPECT_EQ(dialog_.LastFileName, csvPath);
  EXPECT_EQ(dialog_.LastFilter, QStringLiteral("CSV files|*.csv|All files|*"));
  w->MExcelfile->trigger();
  ASSERT_EQ(boxes_.Shown.size(), 2u);
  EXPECT_EQ(boxes_.Shown[0].Text, QStringLiteral("CSV file created: ") + csvPath);
  EXPECT_EQ(boxes_.Shown[0].Caption, QStringLiteral("Export to CSV"));
  QFile csv(csvPath);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll().toStdString(), original);
  csv.close();

  // An existing file is replaced only when the user says so; No brings the
  // dialog back.
  ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
  csv.write("edited elsewhere");
  csv.close();
  dialog_.Answers = {csvPath, std::nullopt};
  w->MCsvfile->trigger();
  ASSERT_EQ(boxes_.Questions.size(), 1u);
  EXPECT_EQ(boxes_.Questions[0],
            QStringLiteral("items.csv already exists.\nDo you want to replace it?"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll(), QByteArray("edited elsewhere"));
  csv.close();
  dialog_.Answers = {csvPath};
  boxes_.YesNoAnswers = {true};
  w->MCsvfile->trigger();
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll().toStdString(), original);

  for (QAction* import : {w->MImportCsvfile, w->MImportExcelfile}) {
    SCOPED_TRACE(import->text().toStdString());
    w->MClose->trigger();
    // An unsaved change is asked about; Cancel keeps it and chooses no file.
    w->GDAGrid->History().SetCells(0, 2, u"changed");
    dialog_.Answer = dir_.filePath(import == w->MImportCsvfile ? "items.csv" : "items.xls");
    const int dialogs = dialog_.Calls;
    import->trigger();
    EXPECT_EQ(dialog_.Calls, dialogs);
    EXPECT_EQ(w->GDAGrid->Table().Cells(0, 2), u"changed");
    boxes_.SaveAnswers.push_back(TSaveChoice::scDiscard);
    import->trigger();
    EXPECT_EQ(TableToCsv(w->GDAGrid->Table()), original);
    EXPECT_EQ(w->GDAFilename(), dir_.filePath("items.gda"));
    EXPECT_TRUE(w->Modified());
    EXPECT_TRUE(w->windowTitle().endsWith(QStringLiteral("items.gda *")));
    EXPECT_EQ(w->GDAGrid->Table().FixedRows(), 2);  // Editor mode
  }
  EXPECT_EQ(sheets_.Sheets, QStringList{QStringLiteral("items.xls")});
  EXPECT_EQ(sheets_.Preselected, 0);
  // The import has no file yet: Save asks where to write it.
  dialog_.Answer.reset();
  const int saves = dialog_.SaveCalls;
  w->MSave->trigger();
  EXPECT_EQ(dialog_.SaveCalls, saves + 1);
}

TEST_F(ImportWindowTest, ARefusedImportShowsItsMessageAndChangesNothing) {
  auto w = Open(QStringLiteral("items.gda"));
  const std::string before = TableToCsv(w->GDAGrid->Table());
  QFile bad(dir_.filePath("bad.csv"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("ID,Speed\r\nint,integer\r\n1,2\r\n");
  bad.close();
  dialog_.Answer = bad.fileName();
  w->MImportCsvfile->trigger();
  dialog_.Answer = bad.fileName();  // not a workbook
  w->MImportExcelfile->trigger();
  ASSERT_EQ(boxes_.Shown.size(), 2u);
  EXPECT_EQ(boxes_.Shown[0].Text,
            QStringLiteral("Line 2, field 2: 'integer' is not a column type"));
  EXPECT_EQ(boxes_.Shown[0].Caption, QStringLiteral("Error:"));
  EXPECT_EQ(boxes_.Shown[1].Text, QStringLiteral("The file \"%1\" is invalid").arg(bad.fileName()));
  EXPECT_EQ(TableToCsv(w->GDAGrid->Table()), before);
  EXPECT_EQ(w->GDAFilename(), dir_.filePath("items.gda"));
  EXPECT_FALSE(w->Modified());
}

}  // namespace
}  // namespace tessary
