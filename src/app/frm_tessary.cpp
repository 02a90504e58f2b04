#include "app/frm_tessary.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/about_box.h"
#include "app/compare_panel.h"
#include "app/filter_bar.h"
#include "app/window_paths.h"
#include "app/window_settings.h"
#include "common/safe_file.h"
#include "exchange/column_widths.h"
#include "gff/g2da.h"
#include "gff/g2da_values.h"
#include "gff/show_error.h"
#include "gff/user_column_names.h"
#include "grid/status_text.h"
#include "grid/table_tools.h"
#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"
#include "text/stored_value.h"
#include "text/utf16.h"

namespace tessary {
namespace {

// The first window of a run without remembered settings: room for a real
// table, within the screen.
constexpr int kFirstWidth = 1000;
constexpr int kFirstHeight = 700;
// A new window opens this far right and down of the one it came from.
constexpr int kNewWindowOffset = 30;
// The window's background under a light palette.
const QColor kSkyBlue(166, 202, 240);
// The column count control goes at least this high.
constexpr int kColCountMaximum = 100;

// Passes the table's notifications on to the grid, except single cell
// writes, which it notes: the cells a file load wrote. The reader fills each
// row from column 0 on, so a row's written columns are kept as the length of
// that run; writes out of that order are kept one by one.
class TWriteRecorder : public TCellTableObserver {
 public:
  explicit TWriteRecorder(TCellTableObserver* next) : FNext(next) {}
  void CellWritten(int32_t col, int32_t row) override {
    const auto r = static_cast<size_t>(row);
    if (r >= FRun.size()) FRun.resize(std::max(r + 1, FRun.size() * 2), 0);
    if (col == FRun[r]) {
      ++FRun[r];
    } else if (col > FRun[r]) {
      FOthers.insert((uint64_t{r} << 32) | static_cast<uint32_t>(col));
    }
    FDataRow = FDataRow || row >= 2;
  }
  bool Written(int32_t col, int32_t row) const {
    const auto r = static_cast<size_t>(row);
    if (r < FRun.size() && col < FRun[r]) return true;
    return !FOthers.empty() && FOthers.count((uint64_t{r} << 32) | static_cast<uint32_t>(col));
  }
  // The first column of `row` from which on cells may not have been written.
  int32_t WrittenRun(int32_t row) const {
    const auto r = static_cast<size_t>(row);
    return r < FRun.size() ? FRun[r] : 0;
  }
  bool DataRowWritten() const { return FDataRow; }

  void CellsInvalidated(const TGridRect& r) override {
    if (FNext) FNext->CellsInvalidated(r);
  }
  void LayoutChanged() override {
    if (FNext) FNext->LayoutChanged();
  }
  void CurrentCellMoving() override {
    if (FNext) FNext->CurrentCellMoving();
  }
  void SelectionChanged() override {
    if (FNext) FNext->SelectionChanged();
  }

 private:
  TCellTableObserver* FNext;
  std::vector<int32_t> FRun;
  std::unordered_set<uint64_t> FOthers;
  bool FDataRow = false;
};

QString Counted(qsizetype n, const char* one, const char* many) {
  return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

// The table file of a drag: its first item, when that is a local file
// named *.gda (any letter case).
QString DraggedTableFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls() || mime->urls().isEmpty()) return QString();
  const QUrl url = mime->urls().first();
  if (!url.isLocalFile()) return QString();
  const QString path = url.toLocalFile();
  if (!path.endsWith(QStringLiteral(".gda"), Qt::CaseInsensitive) || QFileInfo(path).isDir()) {
    return QString();
  }
  return path;
}

}  // namespace

QString FileNamePart(const QString& path) {
  const qsizetype cut =
      std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return path.mid(cut + 1);
}

TfrmTessary::TfrmTessary(const QString& startFile, TFileDialogPort* dialog, QWidget* parent)
    : TfrmTessary(ToPath(startFile), dialog, parent) {}

TfrmTessary::TfrmTessary(const std::filesystem::path& startFile, TFileDialogPort* dialog,
                         QWidget* parent)
    : QMainWindow(parent),
      SheetChoice(&FQtSheetDialog),
      FDialog(dialog ? dialog : &FQtDialog),
      FUserNamesFile(UserColumnNamesLocation(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))) {
  CreateComponents();
  FormCreate(startFile);
  StartRecovery();
}

TfrmTessary::~TfrmTessary() = default;

void TfrmTessary::CreateComponents() {
  setObjectName(QStringLiteral("frmTessary"));
  // The controls follow the desktop's font size; Tahoma where installed.
  QFont font = QApplication::font();
  font.setFamilies(QStringList{QStringLiteral("Tahoma")} + font.families() +
                   QStringList{font.family()});
  setFont(font);
  ApplyPalette();

  auto* client = new QWidget(this);
  client->setAutoFillBackground(true);
  setCentralWidget(client);
  auto* clientLayout = new QVBoxLayout(client);
  clientLayout->setContentsMargins(0, 0, 0, 0);
  clientLayout->setSpacing(0);
  clientLayout->addLayout(CreateOptionControls(client));
  CreateGrid(client);
  FilterBar = new TFilterBar(GDAGrid, client);
  clientLayout->addWidget(FilterBar);
  clientLayout->addWidget(GDAGrid, 1);

  auto wire = [](auto* sender, auto signal, auto handler) {
    QObject::connect(sender, signal, sender, [handler] { RunCommand(handler); });
  };
  // Only a click on a mode runs the handler; selecting one from code does not.
  wire(ModeButtons, &QButtonGroup::idClicked, [this] { ModeRadioClick(); });
  wire(ColCountSpinEdit, &QSpinBox::valueChanged, [this] { ColCountSpinEditChange(); });
  wire(ColApplyBtn, &QPushButton::clicked, [this] { ColApplyBtnClick(); });
  wire(DelKeyRemRow, &QCheckBox::clicked, [this] { DelKeyRemRowClick(); });
  wire(InsKeyInsRow, &QCheckBox::clicked, [this] { InsKeyInsRowClick(); });
  wire(DownKeyAddRow, &QCheckBox::clicked, [this] { DownKeyAddRowClick(); });
  CreateMenus();
  AddHelpMenu(menuBar(), this);
  CreateComparePanel();
  CreateStatusBar();
  setAcceptDrops(true);

  // Tab from the grid reaches the checked mode only (ShowMode); the arrow
  // keys move between the two modes.
  QAbstractButton* editor = ModeButtons->button(0);
  QAbstractButton* designer = ModeButtons->button(1);
  setTabOrder(GDAGrid, editor);
  setTabOrder(editor, designer);
  setTabOrder(designer, ColCountSpinEdit);
  setTabOrder(ColCountSpinEdit, ColApplyBtn);
  setTabOrder(ColApplyBtn, DelKeyRemRow);
  setTabOrder(DelKeyRemRow, InsKeyInsRow);
  setTabOrder(InsKeyInsRow, DownKeyAddRow);

  GDAGrid->setFocus(Qt::OtherFocusReason);
  // The layouts set the smallest size: the controls whole, a few cells.
  const QByteArray geometry = window_settings::Geometry();
  if (geometry.isEmpty() || !restoreGeometry(geometry)) PlaceFirstWindow();
  if (window_settings::KeepFirstColumn()) MKeepfirstcolumn->setChecked(true);
  GDAGrid->SetKeepFirstColumn(MKeepfirstcolumn->isChecked());
  UpdateStatus();
}

// The controls above the grid: the mode, the column count and the quick
// options. Each group lays out its controls, so that nothing is cut at any
// scale or font size.
QLayout* TfrmTessary::CreateOptionControls(QWidget* client) {
  auto boxLayout = [](auto* layout) {
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(6);
    return layout;
  };
  ModeRadio = new QGroupBox(QStringLiteral("Mode"), client);
  auto* editor = new QRadioButton(QStringLiteral("Editor"), ModeRadio);
  auto* designer = new QRadioButton(QStringLiteral("Designer"), ModeRadio);
  QHBoxLayout* modeLayout = boxLayout(new QHBoxLayout(ModeRadio));
  modeLayout->addWidget(editor);
  modeLayout->addWidget(designer);
  ModeButtons = new QButtonGroup(this);
  ModeButtons->addButton(editor, 0);
  ModeButtons->addButton(designer, 1);

  ColCountBox = new QGroupBox(QStringLiteral("Column Count"), client);
  ColCountSpinEdit = new QSpinBox(ColCountBox);
  ColCountSpinEdit->setRange(1, 100);
  ColCountSpinEdit->setValue(1);
  ColCountSpinEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  ColApplyBtn = new QPushButton(QStringLiteral("Apply Change"), ColCountBox);
  ColApplyBtn->setStyleSheet(QStringLiteral(
      "QPushButton { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5FBF5F,"
      " stop:0.5 #2E9E3E, stop:1 #237A30); color: white; border: 1px solid #1E6E2A;"
      " border-radius: 3px; padding: 3px 10px; }"
      "QPushButton:pressed { background-color: #1E6E2A; }"
      "QPushButton:focus { border: 1px solid #FFFFFF; }"));
  QHBoxLayout* countLayout = boxLayout(new QHBoxLayout(ColCountBox));
  countLayout->addWidget(ColCountSpinEdit);
  countLayout->addWidget(ColApplyBtn);

  QuickOptionsGroup = new QGroupBox(QStringLiteral("Quick Options"), client);
  DelKeyRemRow = new QCheckBox(QStringLiteral("[Del] key removes the row"), QuickOptionsGroup);
  InsKeyInsRow = new QCheckBox(QStringLiteral("[Ins] key inserts a row"), QuickOptionsGroup);
  DownKeyAddRow = new QCheckBox(QStringLiteral("[Down] key adds a row"), QuickOptionsGroup);
  QGridLayout* optionsLayout = boxLayout(new QGridLayout(QuickOptionsGroup));
  optionsLayout->setVerticalSpacing(0);
  optionsLayout->addWidget(DelKeyRemRow, 0, 0);
  optionsLayout->addWidget(InsKeyInsRow, 1, 0);
  optionsLayout->addWidget(DownKeyAddRow, 0, 1);

  auto* controls = new QGridLayout;
  controls->setContentsMargins(8, 2, 8, 6);
  controls->setHorizontalSpacing(6);
  controls->setVerticalSpacing(4);
  controls->addWidget(ModeRadio, 0, 0);
  controls->addWidget(ColCountBox, 0, 1);
  controls->addWidget(QuickOptionsGroup, 1, 0, 1, 2);
  controls->setColumnStretch(2, 1);
  return controls;
}

// The grid with its start table, its key options and its links to the window.
void TfrmTessary::CreateGrid(QWidget* client) {
  GDAGrid = new TTableGrid(client);
  GDAGrid->setObjectName(QStringLiteral("GDAGrid"));
  GDAGrid->setAccessibleName(QStringLiteral("Table"));
  // At the smallest size the grid still shows the names, the types and two
  // data rows.
  GDAGrid->setMinimumHeight(4 * (TCellTable::kDefaultRowHeight + kGridLineWidth) +
                            GDAGrid->horizontalScrollBar()->sizeHint().height() +
                            2 * GDAGrid->frameWidth());
  GDAGrid->Table().SetColCount(1);
  GDAGrid->Table().SetRowCount(3);
  GDAGrid->Table().SetColWidths(0, kNewTableColumnWidth);
  TNavigation& nav = GDAGrid->Navigation();
  nav.AdvanceOnEnter = true;
  nav.AdvanceAutoEdit = false;
  nav.AllowClipboardShortCuts = true;
  nav.AppendOnArrowDown = true;
  // Copy takes cell texts as stored, markup included: the grid shows them
  // literally and game tables hold texts such as "<none>".
  nav.CopyHTMLTagsToClipboard = true;
  nav.AllowDeleteRow = false;
  nav.AllowInsertRow = false;
  // The [Down] option is remembered; [Del] and [Ins] start off, so that no
  // key removes or inserts rows unasked.
  nav.AppendOnArrowDown = window_settings::DownKeyAddsRow();
  DelKeyRemRow->setChecked(nav.AllowDeleteRow);
  InsKeyInsRow->setChecked(nav.AllowInsertRow);
  DownKeyAddRow->setChecked(nav.AppendOnArrowDown);
  GDAGrid->Table().OnCanDeleteRow = [this](TCellTable&, int32_t aRow, bool& canDelete) {
    GDAGridCanDeleteRow(aRow, canDelete);
  };
  GDAGrid->History().OnChange = [this](THistoryChange change) { HistoryChanged(change); };
  // Data cells that Save would write as 0 although they hold another text,
  // and type texts that name no column type.
  GDAGrid->SetFlaggedCellTest([this](int32_t col, int32_t row) {
    const TCellTable& t = GDAGrid->Table();
    if (row == 1) return IsInvalidTypeCell(t, col, row);
    if (row < 2) return false;
    const std::u16string_view text = t.Cells(col, row);
    return CannotBeStored(ColumnStorage(t.Cells(col, 1)).Type, text);
  });
  connect(GDAGrid, &TTableGrid::ViewChanged, this, [this] { UpdateStatus(); });
  connect(GDAGrid, &TTableGrid::ContextMenuRequested, this,
          [this](const QPoint& at) { GridContextMenu(at); });
}

// Under a light palette the window keeps its sky blue; under a dark one it
// follows the palette, so that every text stays readable.
void TfrmTessary::ApplyPalette() {
  QPalette pal = QApplication::palette();
  if (!IsDarkPalette(pal)) pal.setColor(QPalette::Window, kSkyBlue);
  setPalette(pal);
}

// A palette the desktop changes while the editor runs: the window's own
// colour follows it.
bool TfrmTessary::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  if (event->type() == QEvent::ApplicationPaletteChange) ApplyPalette();
  return handled;
}

// Large enough for a real table, within the screen, in its middle.
void TfrmTessary::PlaceFirstWindow() {
  const QRect room = screen()->availableGeometry();
  const QSize size = QSize(kFirstWidth, kFirstHeight)
                         .boundedTo(room.size() - QSize(40, 60))
                         .expandedTo(minimumSizeHint());
  resize(size);
  move(room.center() - QPoint(size.width() / 2, size.height() / 2));
}

void TfrmTessary::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  auto label = [bar](const char* name) {
    auto* l = new QLabel(bar);
    l->setObjectName(QString::fromLatin1(name));
    l->setMinimumWidth(1);  // a narrow window cuts the texts, not the window
    l->setContentsMargins(6, 0, 6, 0);
    bar->addPermanentWidget(l);
    return l;
  };
  StatusCell = label("StatusCell");
  StatusSelection = label("StatusSelection");
  StatusFilter = label("StatusFilter");
  StatusSize = label("StatusSize");
}

void TfrmTessary::ShowStatusMessage(const QString& text, int timeoutMs) {
  statusBar()->showMessage(text, timeoutMs);
}

void TfrmTessary::UpdateStatus() {
  const TCellTable& t = GDAGrid->Table();
  auto set = [](QLabel* label, const std::u16string& text) {
    const QString shown = QString::fromStdU16String(text);
    if (label->text() != shown) label->setText(shown);
    label->setVisible(!shown.isEmpty());
  };
  set(StatusCell, CurrentCellText(t));
  set(StatusSelection, SelectionText(t));
  set(StatusSize, TableSizeText(t));
  UpdateFilterStatus();
}

QAction* TfrmTessary::AddCommand(QMenu* menu, const QString& text,
                                 std::initializer_list<QKeySequence> keys,
                                 std::function<void()> handler) {
  auto* action = new QAction(text, menu);
  action->setShortcuts(QList<QKeySequence>(keys));
  menu->addAction(action);
  // A menu command gives the keyboard back to the grid when it ends.
  QObject::connect(action, &QAction::triggered, action, [this, handler = std::move(handler)] {
    RunCommand(handler);
    FocusGrid();
  });
  return action;
}

// The keys are the same on every desktop, not the desktop's standard lists,
// which differ and collide (Find next is Ctrl+G on some).
void TfrmTessary::CreateMenus() {
  CreateFileMenu();
  CreateEditMenu();
  MView = menuBar()->addMenu(QStringLiteral("&View"));
  MKeepfirstcolumn = AddCommand(MView, QStringLiteral("Keep first column in view"), {},
                                [this] { MKeepfirstcolumnClick(); });
  MKeepfirstcolumn->setCheckable(true);
  CreateTableMenu();

  // The grid's context menu's own commands (GridContextMenu).
  MInsertrow = new QAction(QStringLiteral("Insert row"), this);
  MDeleterows = new QAction(QStringLiteral("Delete rows"), this);
  for (auto [action, handler] :
       {std::pair{MInsertrow, std::function<void()>([this] { GDAGrid->Controller().InsertRow(); })},
        std::pair{MDeleterows,
                  std::function<void()>([this] { GDAGrid->Controller().DeleteSelectedRows(); })}}) {
    connect(action, &QAction::triggered, this, [this, handler = handler] {
      RunCommand(handler);
      FocusGrid();
    });
  }
}

void TfrmTessary::CreateFileMenu() {
  using QKS = QKeySequence;
  MFile = menuBar()->addMenu(QStringLiteral("&File"));
  MOpen = AddCommand(MFile, QStringLiteral("Open"), {QKS(Qt::CTRL | Qt::Key_O)},
                     [this] { MOpenClick(); });
  MSave = AddCommand(MFile, QStringLiteral("Save"), {QKS(Qt::CTRL | Qt::Key_S)},
                     [this] { MSaveClick(); });
  MSaveas = AddCommand(MFile, QStringLiteral("Save as"), {QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
                       [this] { MSaveasClick(); });
  MClose = AddCommand(MFile, QStringLiteral("Close"), {QKS(Qt::CTRL | Qt::Key_N)},
                      [this] { MCloseClick(); });
  MFile->addSeparator();
  MExportto = MFile->addMenu(QStringLiteral("Export to"));
  MExcelfile =
      AddCommand(MExportto, QStringLiteral("Excel file"), {}, [this] { MExcelfileClick(); });
  MCsvfile = AddCommand(MExportto, QStringLiteral("CSV file..."), {}, [this] { MCsvfileClick(); });
  MImportfrom = MFile->addMenu(QStringLiteral("Import from"));
  MImportExcelfile = AddCommand(MImportfrom, QStringLiteral("Excel file..."), {},
                                [this] { MImportExcelfileClick(); });
  MImportCsvfile =
      AddCommand(MImportfrom, QStringLiteral("CSV file..."), {}, [this] { MImportCsvfileClick(); });
  MFile->addSeparator();
  MOpenrecent = MFile->addMenu(QStringLiteral("Open recent"));
  connect(MOpenrecent, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  connect(MFile, &QMenu::aboutToShow, this,
          [this] { MOpenrecent->setEnabled(!window_settings::RecentFiles().isEmpty()); });
  MNewwindow = AddCommand(MFile, QStringLiteral("New window"),
                          {QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_N)}, [this] { MNewwindowClick(); });
  MComparewith =
      AddCommand(MFile, QStringLiteral("Compare with..."), {}, [this] { MComparewithClick(); });
  MAppendtable =
      AddCommand(MFile, QStringLiteral("Append table..."), {}, [this] { MAppendtableClick(); });
  MFile->addSeparator();
  MQuit = AddCommand(MFile, QStringLiteral("Quit"), {QKS(Qt::CTRL | Qt::Key_Q)},
                     [this] { MQuitClick(); });
}

void TfrmTessary::CreateEditMenu() {
  using QKS = QKeySequence;
  MEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
  MUndo = AddCommand(MEdit, QStringLiteral("Undo"), {QKS(Qt::CTRL | Qt::Key_Z)},
                     [this] { EditUndo(); });
  MRedo = AddCommand(MEdit, QStringLiteral("Redo"),
                     {QKS(Qt::CTRL | Qt::Key_Y), QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
                     [this] { EditRedo(); });
  MEdit->addSeparator();
  MCut = AddCommand(MEdit, QStringLiteral("Cut"), {QKS(Qt::CTRL | Qt::Key_X)},
                    [this] { GDAGrid->Cut(); });
  MCopy = AddCommand(MEdit, QStringLiteral("Copy"), {QKS(Qt::CTRL | Qt::Key_C)},
                     [this] { GDAGrid->Copy(); });
  MPaste = AddCommand(MEdit, QStringLiteral("Paste"), {QKS(Qt::CTRL | Qt::Key_V)},
                      [this] { GDAGrid->Paste(); });
  MSelectall = AddCommand(MEdit, QStringLiteral("Select all"), {QKS(Qt::CTRL | Qt::Key_A)},
                          [this] { GDAGrid->SelectAll(); });
  MEdit->addSeparator();
  MFind = AddCommand(MEdit, QStringLiteral("Find..."), {QKS(Qt::CTRL | Qt::Key_F)},
                     [this] { MFindClick(); });
  MFindnext = AddCommand(MEdit, QStringLiteral("Find next"), {QKS(Qt::Key_F3)},
                         [this] { MFindnextClick(); });
  MReplace = AddCommand(MEdit, QStringLiteral("Replace..."), {QKS(Qt::CTRL | Qt::Key_H)},
                        [this] { MReplaceClick(); });
  MFindinfiles =
      AddCommand(MEdit, QStringLiteral("Find in files..."), {QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
                 [this] { MFindinfilesClick(); });
  MEdit->addSeparator();
  MGotorow = AddCommand(MEdit, QStringLiteral("Go to row..."), {QKS(Qt::CTRL | Qt::Key_G)},
                        [this] { MGotorowClick(); });
  MEdit->addSeparator();
  MFilldown = AddCommand(MEdit, QStringLiteral("Fill down"), {QKS(Qt::CTRL | Qt::Key_D)},
                         [this] { MFilldownClick(); });
  AddCompareCommands(MEdit);

  // The clipboard keys act where the grid has the keys, as its own keys do;
  // the other controls keep theirs. The in-place editor keeps its undo and
  // clipboard keys (it takes them before any shortcut).
  for (QAction* a : {MCut, MCopy, MPaste, MSelectall}) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    GDAGrid->addAction(a);
  }
  // Opening the menu commits an edit; Undo and Redo then show whether
  // there is a step to undo or redo.
  connect(MEdit, &QMenu::aboutToShow, this, [this] {
    EndGridEdit();
    MUndo->setEnabled(GDAGrid->History().CanUndo());
    MRedo->setEnabled(GDAGrid->History().CanRedo());
  });
  connect(MEdit, &QMenu::aboutToHide, this, [this] {
    MUndo->setEnabled(true);
    MRedo->setEnabled(true);
  });
}

// The context menu of the grid: its commands in one place, so that more
// are added here.
void TfrmTessary::FillGridContextMenu(QMenu* menu) {
  menu->addAction(MCut);
  menu->addAction(MCopy);
  menu->addAction(MPaste);
  menu->addAction(MFilldown);
  menu->addSeparator();
  menu->addAction(MInsertrow);
  menu->addAction(MDeleterows);
  menu->addAction(MInsertcolumn);
  menu->addAction(MDeletecolumns);
  menu->addSeparator();
  menu->addAction(MSortascending);
  menu->addAction(MSortdescending);
  menu->addAction(MFilterequals);
  menu->addAction(MClearfilter);
  if (FComparison) {
    menu->addSeparator();
    menu->addAction(MTakeothervalue);
  }
}

QMenu* TfrmTessary::GridContextMenu(const QPoint& globalPos, bool show) {
  if (FContextMenu == nullptr) FContextMenu = new QMenu(this);
  FContextMenu->clear();
  FillGridContextMenu(FContextMenu);
  if (show) FContextMenu->popup(globalPos);
  return FContextMenu;
}

// The recent tables, the latest first, with their folders.
void TfrmTessary::FillRecentMenu() {
  MOpenrecent->clear();
  const QStringList files = window_settings::RecentFiles();
  for (qsizetype i = 0; i < files.size(); ++i) {
    const QString& path = files[i];
    QString text = QDir::toNativeSeparators(path);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    text = QFontMetrics(MOpenrecent->font()).elidedText(text, Qt::ElideMiddle, 600);
    const QString key = i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QStringLiteral("1&0 ");
    QAction* action = MOpenrecent->addAction(key + text);
    connect(action, &QAction::triggered, this, [this, path] {
      RunCommand([this, &path] { OpenRecentClick(path); });
      FocusGrid();
    });
  }
}

void TfrmTessary::OpenRecentClick(const QString& path) {
  if (!QFileInfo(path).isFile()) {
    window_settings::RemoveRecentFile(path);
    MessageBoxes().Show(
        QStringLiteral("%1 no longer exists. It is removed from Open recent.").arg(path),
        kApplicationTitle, TBoxIcon::biWarning);
    return;
  }
  if (ConfirmDiscardChanges()) OpenFile(path);
}

TfrmTessary* TfrmTessary::MNewwindowClick() {
  EndGridEdit();
  auto* window = new TfrmTessary(QString(), FDialog == &FQtDialog ? nullptr : FDialog);
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (SheetChoice != &FQtSheetDialog) window->SheetChoice = SheetChoice;
  window->resize(size());
  window->move(pos() + QPoint(kNewWindowOffset, kNewWindowOffset));
  window->show();
  window->activateWindow();
  return window;
}

void TfrmTessary::MKeepfirstcolumnClick() {
  GDAGrid->SetKeepFirstColumn(MKeepfirstcolumn->isChecked());
  window_settings::SetKeepFirstColumn(MKeepfirstcolumn->isChecked());
}

void TfrmTessary::RunCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    ReportGeneralError(e.what());
  }
}

void TfrmTessary::EndGridEdit() { GDAGrid->Controller().HideInplaceEdit(); }

void TfrmTessary::FocusGrid() {
  if (!GDAGrid->EditorMode()) GDAGrid->setFocus(Qt::OtherFocusReason);
}

bool TfrmTessary::Modified() const { return GDAGrid->History().Modified(); }

void TfrmTessary::FormCreate(const std::filesystem::path& startFile) {
  NewTable();
  if (!startFile.empty()) OpenFile(FromPath(startFile));
}

// Loads a table file into the grid's table, over the table before. Then
// every cell of the new extent that the reader did not write is emptied, so
// that nothing of the table before shows (or is saved) where the file fills
// no cell (a missing row list or value field), and a file without data rows
// gets a row count of 2; the cells of the table before beyond the new extent
// are emptied too, so that a larger extent later shows none of them. A
// failed load writes no cell: the grid stays as it was.
bool TfrmTessary::LoadFile(const QString& path) {
  EndGridEdit();
  ResetFilter();
  TCellTable& t = GDAGrid->Table();
  const int32_t oldCols = t.ColCount();
  const int32_t oldRows = t.RowCount();
  TCellTableObserver* view = t.Observer();
  TWriteRecorder recorder(view);
  t.SetObserver(&recorder);
  bool loaded = false;
  try {
    loaded = LoadGDA(t, ToPath(path));
  } catch (...) {
    t.SetObserver(view);
    throw;
  }
  t.SetObserver(view);
  if (!loaded) return false;
  if (!recorder.DataRowWritten()) t.SetRowCount(2);
  const int32_t cols = t.ColCount();
  const int32_t rows = t.RowCount();
  if (oldCols > cols) t.ClearRect(cols, 0, oldCols - 1, oldRows - 1);
  if (oldRows > rows) t.ClearRect(0, rows, cols - 1, oldRows - 1);
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = recorder.WrittenRun(r); c < cols; ++c) {
      if (!recorder.Written(c, r) && !t.Cells(c, r).empty()) t.SetCells(c, r, std::u16string());
    }
  }
  t.SetFixedRows(0);
  t.CellsChanged(TGridRect{0, 0, cols - 1, rows - 1});
  return true;
}

// Names the user gave columns come back from the user dictionary; the
// opened file starts at its first data cell.
bool TfrmTessary::OpenFile(const QString& path) {
  if (!LoadFile(path)) return false;
  if (FUserNamesFile) {
    ApplyUserColumnNames(GDAGrid->Table(),
                         TUserColumnNames::Load(
                             *FUserNamesFile, [this](const std::string& m) { WarnDictionary(m); }));
  }
  FitColumnWidths(GDAGrid->Table());
  ShowColCount();
  FHasFile = true;
  SetFilename(path);
  DesignerMode(false);
  ShowTopLeft();
  GDAGrid->History().Clear();
  window_settings::AddRecentFile(QFileInfo(path).absoluteFilePath());
  return true;
}

// A damaged or unreadable dictionary is ignored; it is said once a run.
void TfrmTessary::WarnDictionary(const std::string& message) {
  if (FDictionaryWarned) return;
  FDictionaryWarned = true;
  MessageBoxes().Show(QString::fromStdString(message), kApplicationTitle, TBoxIcon::biWarning);
}

// The first cell below the fixed rows is current, in the top-left corner.
void TfrmTessary::ShowTopLeft() {
  TCellTable& t = GDAGrid->Table();
  t.MoveCurrent(TGridCoord{t.FixedCols(), t.FixedRows()});
  GDAGrid->Controller().ScrollTo(t.FixedCols(), t.FixedRows());
}

void TfrmTessary::MOpenClick() {
  if (!ConfirmDiscardChanges()) return;
  const std::optional<QString> chosen = FDialog->Execute(this, QString(), kGdaFilter);
  if (chosen) OpenFile(*chosen);
}

bool TfrmTessary::ConfirmDiscardChanges() {
  EndGridEdit();
  if (!Modified()) return true;
  switch (MessageBoxes().AskSaveChanges(
      QStringLiteral("Save changes to %1?").arg(FileNamePart(FGDAFilename)), kApplicationTitle)) {
    case TSaveChoice::scSave:
      return SaveDocument();
    case TSaveChoice::scDiscard:
      return true;
    default:
      return false;
  }
}

void TfrmTessary::MSaveClick() {
  EndGridEdit();
  SaveDocument();
}

void TfrmTessary::MSaveasClick() {
  EndGridEdit();
  SaveDocumentAs();
}

// A table that never had a file is saved through the save dialog, never
// into "noname.gda" of whatever the current folder is.
bool TfrmTessary::SaveDocument() {
  if (!FHasFile) return SaveDocumentAs();
  return WriteFile(FGDAFilename);
}

// The path is used exactly as chosen; an existing file is replaced only
// when the user says so, otherwise the dialog comes back.
bool TfrmTessary::SaveDocumentAs() {
  QString name = FGDAFilename;
  while (true) {
    const std::optional<QString> chosen = FDialog->ExecuteSave(this, name, kGdaFilter);
    if (!chosen) return false;
    name = *chosen;
    if (!QFile::exists(name) ||
        MessageBoxes().AskYesNo(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                    .arg(FileNamePart(name)),
                                QStringLiteral("Save as"))) {
      break;
    }
  }
  if (!WriteFile(name)) return false;
  FHasFile = true;
  SetFilename(name);
  window_settings::AddRecentFile(QFileInfo(name).absoluteFilePath());
  return true;
}

// Writes the table after the question about what Save would not keep.
// A file that cannot even be created goes to the general error report here,
// so that a command waiting for the save (Quit) learns that it failed.
bool TfrmTessary::WriteFile(const QString& path) {
  if (!ConfirmBeforeSave()) return false;
  bool written = false;
  try {
    written = SaveGDA(GDAGrid->Table(), ToPath(path));
  } catch (const std::exception& e) {
    ReportGeneralError(e.what());
    return false;
  }
  if (!written) return false;
  GDAGrid->History().MarkSaved();
  // Column names the user typed are kept for the next time the file opens.
  if (FUserNamesFile) {
    AddUserColumnNames(*FUserNamesFile, GDAGrid->Table(),
                       [this](const std::string& m) { WarnDictionary(m); });
  }
  return true;
}

void TfrmTessary::MCloseClick() {
  if (ConfirmDiscardChanges()) NewTable();
}

// A new table. The whole previous extent is emptied before it shrinks, so
// that raising the column count later shows empty columns.
void TfrmTessary::NewTable() {
  EndGridEdit();
  ResetFilter();
  TCellTable& t = GDAGrid->Table();
  t.Clear();
  t.SetColCount(1);
  t.SetRowCount(3);
  t.Clear();
  DesignerMode(true);
  FHasFile = false;
  SetFilename(kNewFileName);
  t.SetCells(0, 0, u"ID");
  t.SetCells(0, 1, u"int");
  t.SetColWidths(0, kNewTableColumnWidth);
  ShowColCount();
  ShowTopLeft();
  GDAGrid->History().Clear();
}

// Every window closes, this one first, each asking about its unsaved
// changes; a Cancel stops there.
void TfrmTessary::MQuitClick() {
  if (!close()) return;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* window = qobject_cast<TfrmTessary*>(widget);
    if (window && window != this && window->isVisible() && !window->close()) return;
  }
}

// The close button and Quit: unsaved changes are asked about first. The
// window's place and size are kept for the next run.
void TfrmTessary::closeEvent(QCloseEvent* event) {
  bool close = false;
  RunCommand([this, &close] { close = ConfirmDiscardChanges(); });
  if (close) {
    window_settings::SetGeometry(saveGeometry());
    EndRecovery();
    event->accept();
  } else {
    event->ignore();
  }
}

void TfrmTessary::EditUndo() {
  GDAGrid->Undo();
  FocusGrid();
}

void TfrmTessary::EditRedo() {
  GDAGrid->Redo();
  FocusGrid();
}

void TfrmTessary::HistoryChanged(THistoryChange change) {
  UpdateCaption();
  UpdateRecovery();
  FollowComparison(change);
  if (change == THistoryChange::hcUndone || change == THistoryChange::hcRedone) {
    ShowMode();
    ShowColCount();
  }
}

void TfrmTessary::ModeRadioClick() { DesignerMode(ModeButtons->checkedId() == 1); }

// Editor mode on a table of fewer than three rows adds rows: that is a change
// of the table, undone together with the switch.
void TfrmTessary::DesignerMode(bool designer) {
  EndGridEdit();
  TCellTable& t = GDAGrid->Table();
  if (designer) {
    t.SetFixedRows(0);
  } else {
    const int32_t rows = t.RowCount();
    if (rows < 3) {
      TEditHistory& history = GDAGrid->History();
      TEditHistory::TStepScope step(history);
      history.SetRowCount(3);
      // Rows brought into view are new rows: they start empty.
      for (int32_t r = rows; r < 3; ++r) history.EmptyRowCells(r);
      history.SetFixedRows(2);
    } else {
      t.SetFixedRows(2);
    }
  }
  ShowMode();
}

// The mode of the fixed rows is checked, and only the checked mode is
// reached with Tab.
void TfrmTessary::ShowMode() {
  const int checked = GDAGrid->Table().FixedRows() > 0 ? 0 : 1;
  ModeButtons->button(checked)->setChecked(true);
  for (int id = 0; id < 2; ++id) {
    ModeButtons->button(id)->setFocusPolicy(id == checked ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

// The control goes up to 100, or to the table's column count when that is
// higher (and never below the value it shows), within what a table holds.
void TfrmTessary::ShowColCount() {
  const int32_t count = GDAGrid->Table().ColCount();
  ColCountSpinEdit->setMaximum(std::min<int32_t>(
      std::max({kColCountMaximum, count, ColCountSpinEdit->value()}), TCellTable::kMaxCount));
  ColCountSpinEdit->setValue(count);
}

void TfrmTessary::ColCountSpinEditChange() {
  if (ColCountSpinEdit->value() > ColCountSpinEdit->maximum()) {
    ColCountSpinEdit->setValue(ColCountSpinEdit->maximum());
  }
}

// Columns that are dropped are emptied first; when they hold text the user
// is asked, with how many columns and cells that are. One step of the history.
void TfrmTessary::ColApplyBtnClick() {
  EndGridEdit();
  TCellTable& t = GDAGrid->Table();
  const int32_t oldCount = t.ColCount();
  const int32_t newCount = ColCountSpinEdit->value();
  if (newCount < oldCount) {
    std::vector<bool> holding(static_cast<size_t>(oldCount - newCount), false);
    qsizetype cells = 0;
    for (int32_t r = 0; r < t.RowCount(); ++r) {
      const int32_t last = std::min(oldCount - 1, t.LastStoredCol(r));
      for (int32_t c = newCount; c <= last; ++c) {
        if (std::u16string_view(t.Cells(c, r)).empty()) continue;
        ++cells;
        holding[static_cast<size_t>(c - newCount)] = true;
      }
    }
    const auto columns = std::count(holding.begin(), holding.end(), true);
    if (cells > 0 &&
        !MessageBoxes().AskYesNo(
            QStringLiteral("Apply Change empties %1 holding %2. Go on?")
                .arg(Counted(columns, "column", "columns"), Counted(cells, "cell", "cells")),
            kApplicationTitle)) {
      return;
    }
  }
  TEditHistory& history = GDAGrid->History();
  TEditHistory::TStepScope step(history);
  history.ClearCols(newCount, oldCount);
  // Columns brought into view are new columns: they start empty.
  if (newCount > oldCount) history.ClearCols(oldCount, newCount - oldCount);
  history.SetColCount(newCount);
}

void TfrmTessary::DelKeyRemRowClick() {
  GDAGrid->Navigation().AllowDeleteRow = DelKeyRemRow->isChecked();
}

void TfrmTessary::InsKeyInsRowClick() {
  GDAGrid->Navigation().AllowInsertRow = InsKeyInsRow->isChecked();
}

void TfrmTessary::DownKeyAddRowClick() {
  GDAGrid->Navigation().AppendOnArrowDown = DownKeyAddRow->isChecked();
  window_settings::SetDownKeyAddsRow(DownKeyAddRow->isChecked());
}

// The row is emptied through the history, so that the [Del] key's step
// brings its texts back.
void TfrmTessary::GDAGridCanDeleteRow(int32_t aRow, bool& /*canDelete*/) {
  GDAGrid->History().ClearRows(aRow, 1);
}

void TfrmTessary::SetFilename(const QString& str) {
  FGDAFilename = str;
  UpdateCaption();
}

void TfrmTessary::UpdateCaption() {
  setWindowTitle(kTitlePrefix + QStringLiteral("  -  ") + FileNamePart(FGDAFilename) +
                 (Modified() ? QStringLiteral(" *") : QString()));
}

// --- Dropping a file ------------------------------------------------------------

void TfrmTessary::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedTableFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfrmTessary::dragMoveEvent(QDragMoveEvent* event) {
  if (!DraggedTableFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// The drop ends first; then the file is opened as Open does, with the
// unsaved-changes question (a modal box inside a drop would hold the
// program the file was dragged from).
void TfrmTessary::dropEvent(QDropEvent* event) {
  const QString path = DraggedTableFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  QTimer::singleShot(0, this, [this, path] {
    activateWindow();
    RunCommand([this, &path] {
      if (ConfirmDiscardChanges()) OpenFile(path);
    });
    FocusGrid();
  });
}

}  // namespace tessary
