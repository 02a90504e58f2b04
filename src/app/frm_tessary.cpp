#include "app/frm_tessary.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <exception>
#include <filesystem>

#include "app/about_box.h"
#include "gff/g2da.h"
#include "gff/show_error.h"
#include "grid/widget/table_grid.h"
#include "xls/export_target.h"
#include "xls/grid_xls_io.h"
#include "xls/table_export.h"

namespace tessary {
namespace {

constexpr int kClientWidth = 546;
constexpr int kClientHeight = 385;
constexpr int kGridTop = 111;

std::filesystem::path ToPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QFont WindowFont() {
  QFont font;
  font.setFamilies(
      {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

}  // namespace

QString FileNamePart(const QString& path) {
  const qsizetype cut =
      std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return path.mid(cut + 1);
}

TfrmTessary::TfrmTessary(const QString& startFile, TFileDialogPort* dialog, QWidget* parent)
    : QMainWindow(parent), FDialog(dialog ? dialog : &FQtDialog) {
  CreateComponents();
  GDAGridXlsIO = std::make_unique<TGridXlsIO>();
  GDAGridXlsIO->ApplyWindowSettings(GDAGrid->Table());
  FormCreate(startFile);
}

TfrmTessary::~TfrmTessary() = default;

void TfrmTessary::CreateComponents() {
  setObjectName(QStringLiteral("frmTessary"));
  setFont(WindowFont());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(166, 202, 240));
  setPalette(pal);

  auto* client = new QWidget(this);
  client->setAutoFillBackground(true);
  client->installEventFilter(this);
  setCentralWidget(client);

  ModeRadio = new QGroupBox(QStringLiteral("Mode"), client);
  ModeRadio->setGeometry(8, 0, 169, 40);
  auto* editor = new QRadioButton(QStringLiteral("Editor"), ModeRadio);
  editor->setGeometry(8, 17, 76, 18);
  auto* designer = new QRadioButton(QStringLiteral("Designer"), ModeRadio);
  designer->setGeometry(88, 17, 76, 18);
  ModeButtons = new QButtonGroup(this);
  ModeButtons->addButton(editor, 0);
  ModeButtons->addButton(designer, 1);

  ColCountBox = new QGroupBox(QStringLiteral("Column Count"), client);
  ColCountBox->setGeometry(183, 0, 146, 40);
  ColCountSpinEdit = new QSpinBox(ColCountBox);
  ColCountSpinEdit->setGeometry(2, 16, 47, 22);
  ColCountSpinEdit->setRange(1, 100);
  ColCountSpinEdit->setValue(1);
  ColCountSpinEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  ColApplyBtn = new QPushButton(QStringLiteral("Apply Change"), ColCountBox);
  ColApplyBtn->setGeometry(54, 16, 89, 22);
  ColApplyBtn->setStyleSheet(QStringLiteral(
      "QPushButton { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5FBF5F,"
      " stop:0.5 #2E9E3E, stop:1 #237A30); color: white; border: 1px solid #1E6E2A;"
      " border-radius: 3px; }"
      "QPushButton:pressed { background-color: #1E6E2A; }"
      "QPushButton:focus { border: 1px solid #FFFFFF; }"));

  QuickOptionsGroup = new QGroupBox(QStringLiteral("Quick Options"), client);
  QuickOptionsGroup->setGeometry(8, 46, 321, 59);
  DelKeyRemRow = new QCheckBox(QStringLiteral("[Del] key removes the row"), QuickOptionsGroup);
  DelKeyRemRow->setGeometry(11, 14, 158, 20);
  InsKeyInsRow = new QCheckBox(QStringLiteral("[Ins] key inserts a row"), QuickOptionsGroup);
  InsKeyInsRow->setGeometry(11, 32, 158, 20);
  DownKeyAddRow = new QCheckBox(QStringLiteral("[Down] key adds a row"), QuickOptionsGroup);
  DownKeyAddRow->setGeometry(175, 14, 158, 20);

  GDAGrid = new TTableGrid(client);
  GDAGrid->setObjectName(QStringLiteral("GDAGrid"));
  GDAGrid->setGeometry(0, kGridTop, kClientWidth, kClientHeight - kGridTop);
  GDAGrid->Table().SetColCount(1);
  GDAGrid->Table().SetRowCount(3);
  GDAGrid->Table().SetColWidths(0, 86);
  TNavigation& nav = GDAGrid->Navigation();
  nav.AdvanceOnEnter = true;
  nav.AdvanceAutoEdit = false;
  nav.AllowClipboardShortCuts = true;
  nav.AppendOnArrowDown = true;
  nav.CopyHTMLTagsToClipboard = false;
  nav.AllowDeleteRow = false;
  nav.AllowInsertRow = false;
  DelKeyRemRow->setChecked(nav.AllowDeleteRow);
  InsKeyInsRow->setChecked(nav.AllowInsertRow);
  DownKeyAddRow->setChecked(nav.AppendOnArrowDown);
  GDAGrid->Table().OnCanDeleteRow = [this](TCellTable&, int32_t aRow, bool& canDelete) {
    GDAGridCanDeleteRow(aRow, canDelete);
  };

  MFile = menuBar()->addMenu(QStringLiteral("File"));
  MOpen = MFile->addAction(QStringLiteral("Open"));
  MSave = MFile->addAction(QStringLiteral("Save"));
  MSaveas = MFile->addAction(QStringLiteral("Save as"));
  MClose = MFile->addAction(QStringLiteral("Close"));
  MExportto = MFile->addMenu(QStringLiteral("Export to"));
  MExcelfile = MExportto->addAction(QStringLiteral("Excel file"));
  MQuit = MFile->addAction(QStringLiteral("Quit"));

  auto wire = [](auto* sender, auto signal, auto handler) {
    QObject::connect(sender, signal, sender, [handler] { RunCommand(handler); });
  };
  wire(MOpen, &QAction::triggered, [this] { MOpenClick(); });
  wire(MSave, &QAction::triggered, [this] { MSaveClick(); });
  wire(MSaveas, &QAction::triggered, [this] { MSaveasClick(); });
  wire(MClose, &QAction::triggered, [this] { MCloseClick(); });
  wire(MExcelfile, &QAction::triggered, [this] { MExcelfileClick(); });
  wire(MQuit, &QAction::triggered, [this] { MQuitClick(); });
  // Only a click on a mode runs the handler; selecting one from code does not.
  wire(ModeButtons, &QButtonGroup::idClicked, [this] { ModeRadioClick(); });
  wire(ColCountSpinEdit, &QSpinBox::valueChanged, [this] { ColCountSpinEditChange(); });
  wire(ColApplyBtn, &QPushButton::clicked, [this] { ColApplyBtnClick(); });
  wire(DelKeyRemRow, &QCheckBox::clicked, [this] { DelKeyRemRowClick(); });
  wire(InsKeyInsRow, &QCheckBox::clicked, [this] { InsKeyInsRowClick(); });
  wire(DownKeyAddRow, &QCheckBox::clicked, [this] { DownKeyAddRowClick(); });
  AddHelpMenu(menuBar(), this);

  setTabOrder(GDAGrid, editor);
  setTabOrder(editor, ColCountSpinEdit);
  setTabOrder(ColCountSpinEdit, ColApplyBtn);
  setTabOrder(ColApplyBtn, DelKeyRemRow);
  setTabOrder(DelKeyRemRow, InsKeyInsRow);
  setTabOrder(InsKeyInsRow, DownKeyAddRow);

  GDAGrid->setFocus(Qt::OtherFocusReason);
  setMinimumSize(300, 180);
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

bool TfrmTessary::eventFilter(QObject* watched, QEvent* event) {
  // The grid is anchored to all four sides of the client area.
  if (watched == centralWidget() && event->type() == QEvent::Resize) {
    const QWidget* client = centralWidget();
    GDAGrid->setGeometry(0, kGridTop, client->width(), std::max(0, client->height() - kGridTop));
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmTessary::RunCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    ReportGeneralError(e.what());
  }
}

void TfrmTessary::EndGridEdit() { GDAGrid->Controller().HideInplaceEdit(); }

void TfrmTessary::FormCreate(const QString& startFile) {
  MCloseClick();
  if (!startFile.isEmpty() && LoadFile(startFile)) {
    ColCountSpinEdit->setValue(GDAGrid->Table().ColCount());
    SetFilename(startFile);
    DesignerMode(false);
  }
}

// Loads a table file. Cells of the previous table that the new one does not
// cover are emptied, so that nothing of it can show up again (and be saved
// into this file) when rows or columns are added later.
bool TfrmTessary::LoadFile(const QString& path) {
  TCellTable& t = GDAGrid->Table();
  const int32_t oldCols = t.ColCount();
  const int32_t oldRows = t.RowCount();
  if (!LoadGDA(t, ToPath(path))) return false;
  if (oldCols > t.ColCount()) t.ClearRect(t.ColCount(), 0, oldCols - 1, oldRows - 1);
  if (oldRows > t.RowCount()) {
    t.ClearRect(0, t.RowCount(), std::min(oldCols, t.ColCount()) - 1, oldRows - 1);
  }
  return true;
}

void TfrmTessary::MOpenClick() {
  EndGridEdit();
  const std::optional<QString> chosen = FDialog->Execute(this, QString(), kGdaFilter);
  if (!chosen) return;
  if (LoadFile(*chosen)) {
    ColCountSpinEdit->setValue(GDAGrid->Table().ColCount());
    SetFilename(*chosen);
    DesignerMode(false);
  }
}

void TfrmTessary::MSaveClick() {
  EndGridEdit();
  SaveGDA(GDAGrid->Table(), ToPath(FGDAFilename));
}

void TfrmTessary::MSaveasClick() {
  EndGridEdit();
  const std::optional<QString> chosen = FDialog->Execute(this, FGDAFilename, kGdaFilter);
  if (!chosen) return;
  if (SaveGDA(GDAGrid->Table(), ToPath(*chosen))) SetFilename(*chosen);
}

// A new table. The whole previous extent is emptied before it shrinks, so
// that raising the column count later shows empty columns.
void TfrmTessary::MCloseClick() {
  EndGridEdit();
  TCellTable& t = GDAGrid->Table();
  t.Clear();
  t.SetColCount(1);
  t.SetRowCount(3);
  t.Clear();
  DesignerMode(true);
  SetFilename(kNewFileName);
  t.SetCells(0, 0, u"ID");
  t.SetCells(0, 1, u"int");
}

// Writes the grid as a workbook next to the document: the path with ".xls",
// a sheet named after the workbook's file name (27 code units at most).
// The command line exports through the same function. A failure shows the
// export's message with its reason on a second line.
void TfrmTessary::MExcelfileClick() {
  EndGridEdit();
  const std::u16string target = ExportTargetPath(FGDAFilename.toStdU16String());
  const std::u16string sheet = ExportSheetName(target);
  const TTableExportResult result =
      ExportTableToWorkbook(GDAGrid->Table(), ToPath(QString::fromStdU16String(target)), sheet);
  if (!result.Ok) {
    ShowError(result.ErrorText());
    return;
  }
  MessageBoxes().Show(QString::fromUtf8(kExportSuccessPrefix) + QString::fromStdU16String(target),
                      QString::fromUtf8(kExportCaption), TBoxIcon::biNone);
}

void TfrmTessary::MQuitClick() { close(); }

void TfrmTessary::ModeRadioClick() { DesignerMode(ModeButtons->checkedId() == 1); }

void TfrmTessary::DesignerMode(bool designer) {
  EndGridEdit();
  TCellTable& t = GDAGrid->Table();
  if (designer) {
    ModeButtons->button(1)->setChecked(true);
    t.SetFixedRows(0);
  } else {
    ModeButtons->button(0)->setChecked(true);
    const int32_t rows = t.RowCount();
    if (rows < 3) {
      t.SetRowCount(3);
      // Rows brought into view are new rows: they start empty.
      for (int32_t r = rows; r < 3; ++r) t.EmptyRowCells(r);
    }
    t.SetFixedRows(2);
  }
}

void TfrmTessary::ColCountSpinEditChange() {
  if (ColCountSpinEdit->value() > 100) ColCountSpinEdit->setValue(100);
}

void TfrmTessary::ColApplyBtnClick() {
  EndGridEdit();
  TCellTable& t = GDAGrid->Table();
  const int32_t oldCount = t.ColCount();
  const int32_t newCount = ColCountSpinEdit->value();
  t.ClearCols(newCount, oldCount);
  // Columns brought into view are new columns: they start empty.
  if (newCount > oldCount) t.ClearCols(oldCount, newCount - oldCount);
  t.SetColCount(newCount);
}

void TfrmTessary::DelKeyRemRowClick() {
  GDAGrid->Navigation().AllowDeleteRow = DelKeyRemRow->isChecked();
}

void TfrmTessary::InsKeyInsRowClick() {
  GDAGrid->Navigation().AllowInsertRow = InsKeyInsRow->isChecked();
}

void TfrmTessary::DownKeyAddRowClick() {
  GDAGrid->Navigation().AppendOnArrowDown = DownKeyAddRow->isChecked();
}

void TfrmTessary::GDAGridCanDeleteRow(int32_t aRow, bool& /*canDelete*/) {
  GDAGrid->Table().ClearRows(aRow, 1);
}

void TfrmTessary::SetFilename(const QString& str) {
  FGDAFilename = str;
  setWindowTitle(kTitlePrefix + QStringLiteral("  -  ") + FileNamePart(str));
}

}  // namespace tessary
