// The editor window: the grid with its row numbers, the mode selector, the
// column count, the quick options, the menus and the status line, wired to
// the table file commands. Each window is a document of its own; File >
// New window opens another in the same run.
#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QString>
#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "app/app_ports.h"
#include "app/sheet_dialog.h"
#include "table/edit_history.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLayout;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tessary {

class TCellTable;
class TFilterBar;
enum class TGridNotice;
class TTableGrid;
class TFindDialog;
struct TLeftCopy;
struct TWindowRecovery;
class TFindInFilesDialog;
class TFindInFilesPanel;
class TComparePanel;
class TTableComparison;
struct TWindowComparison;

inline const QString kTitlePrefix = QStringLiteral("Tessary *ALPHA*");
inline const QString kApplicationTitle = QStringLiteral("Tessary");
inline const QString kGdaFilter = QStringLiteral("GDA files|*.gda|All files|*");
inline const QString kNewFileName = QStringLiteral("noname.gda");
// The width of a new table's one column; an opened table's columns take
// the widths the opening rule gives them (FitColumnWidths).
inline constexpr int32_t kNewTableColumnWidth = 86;

// The file name of a path: the part after the last directory separator.
QString FileNamePart(const QString& path);

class TfrmTessary : public QMainWindow {
  Q_OBJECT

 public:
  // Runs FormCreate: a new table, then `startFile` when one is given. The
  // file dialog defaults to Qt's when `dialog` is null; it is not owned.
  // The start file is a native path, kept byte for byte (a name that is not
  // valid UTF-8 is saved again under the same name).
  explicit TfrmTessary(const std::filesystem::path& startFile, TFileDialogPort* dialog = nullptr,
                       QWidget* parent = nullptr);
  explicit TfrmTessary(const QString& startFile = QString(), TFileDialogPort* dialog = nullptr,
                       QWidget* parent = nullptr);
  ~TfrmTessary() override;

  const QString& GDAFilename() const { return FGDAFilename; }
  // Whether the table differs from the state last saved or opened; the
  // caption then ends with " *".
  bool Modified() const;

  // Components, named by role.
  TTableGrid* GDAGrid = nullptr;
  QGroupBox* ModeRadio = nullptr;
  QButtonGroup* ModeButtons = nullptr;  // ids 0 "Editor", 1 "Designer"
  QGroupBox* ColCountBox = nullptr;
  QSpinBox* ColCountSpinEdit = nullptr;
  QPushButton* ColApplyBtn = nullptr;
  QGroupBox* QuickOptionsGroup = nullptr;
  QCheckBox* DelKeyRemRow = nullptr;
  QCheckBox* InsKeyInsRow = nullptr;
  QCheckBox* DownKeyAddRow = nullptr;
  // The filter bar above the grid (frm_tessary_table.cpp).
  TFilterBar* FilterBar = nullptr;
  // The status line: transient messages at the left (ShowStatusMessage),
  // then the current cell, the selection and the table's size.
  QLabel* StatusCell = nullptr;
  QLabel* StatusSelection = nullptr;
  QLabel* StatusSize = nullptr;
  QLabel* StatusFilter = nullptr;  // "Showing 120 of 200,000 rows" while a filter is on
  // The File menu (see CreateMenus for its order).
  QMenu* MFile = nullptr;
  QAction* MOpen = nullptr;
  QAction* MSave = nullptr;
  QAction* MSaveas = nullptr;
  QAction* MClose = nullptr;
  QMenu* MExportto = nullptr;
  QAction* MExcelfile = nullptr;
  QAction* MCsvfile = nullptr;
  QMenu* MImportfrom = nullptr;
  QAction* MImportExcelfile = nullptr;
  QAction* MImportCsvfile = nullptr;
  QMenu* MOpenrecent = nullptr;
  QAction* MNewwindow = nullptr;
  QAction* MComparewith = nullptr;
  QAction* MAppendtable = nullptr;
  QAction* MQuit = nullptr;
  // The Edit menu.
  QMenu* MEdit = nullptr;
  QAction* MUndo = nullptr;
  QAction* MRedo = nullptr;
  QAction* MCut = nullptr;
  QAction* MCopy = nullptr;
  QAction* MPaste = nullptr;
  QAction* MSelectall = nullptr;
  QAction* MFind = nullptr;
  QAction* MFindnext = nullptr;
  QAction* MReplace = nullptr;
  QAction* MGotorow = nullptr;
  QAction* MFindinfiles = nullptr;
  QAction* MNextdifference = nullptr;
  QAction* MPreviousdifference = nullptr;
  QAction* MTakeothervalue = nullptr;
  QAction* MFilldown = nullptr;
  // The View menu.
  QMenu* MView = nullptr;
  QAction* MKeepfirstcolumn = nullptr;
  // The Table menu.
  QMenu* MTable = nullptr;
  QAction* MSortascending = nullptr;
  QAction* MSortdescending = nullptr;
  QAction* MFilter = nullptr;
  QAction* MClearfilter = nullptr;
  QAction* MInsertcolumn = nullptr;
  QAction* MDeletecolumns = nullptr;
  // The grid's context menu's own commands (beside Cut, Copy and Paste).
  QAction* MInsertrow = nullptr;
  QAction* MDeleterows = nullptr;
  // The panel of a comparison (Compare with...), created with the window.
  TComparePanel* ComparePanel = nullptr;
  QAction* MFilterequals = nullptr;
  // The sheet list of an import from a workbook: Qt's dialog unless
  // replaced (not owned).
  TSheetChoicePort* SheetChoice = nullptr;

  // Command handlers.
  void MOpenClick();
  void MSaveClick();
  void MSaveasClick();
  void MCloseClick();
  void MExcelfileClick();
  void MCsvfileClick();
  void MImportExcelfileClick();
  void MImportCsvfileClick();
  void MQuitClick();
  // Opens another window with a new table, beside this one, and returns it.
  TfrmTessary* MNewwindowClick();
  // An entry of Open recent: a table that no longer exists is removed from
  // the list with a message.
  void OpenRecentClick(const QString& path);
  void MKeepfirstcolumnClick();
  void ModeRadioClick();
  void ColCountSpinEditChange();
  void ColApplyBtnClick();
  void DelKeyRemRowClick();
  void InsKeyInsRowClick();
  void DownKeyAddRowClick();
  void GDAGridCanDeleteRow(int32_t aRow, bool& canDelete);
  void MFindClick();
  void MFindnextClick();
  void MReplaceClick();
  void MGotorowClick();
  // Table tools (frm_tessary_table.cpp): each change is one step of the
  // history; the filter is none and is no unsaved change.
  void MSortascendingClick();
  void MSortdescendingClick();
  void MFilterClick();
  void MClearfilterClick();
  void MFilterequalsClick();
  void MInsertcolumnClick();
  void MDeletecolumnsClick();
  void MFilldownClick();
  // The Find dialog's Replace and Replace all; each is one step of the history.
  void ReplaceClick();
  void ReplaceAllClick();
  // Appends the data rows of a chosen table with the same columns as one
  // step of the history, and names duplicate IDs in the status line.
  void MAppendtableClick();
  // Asks for a text and a folder and lists the cells that hold it in the
  // Find in files panel.
  void MFindinfilesClick();
  // A found cell of the panel: its table opened (after the unsaved-changes
  // question), or the open one kept when it is that file unchanged, and the
  // cell made current.
  void OpenFoundCell(const QString& path, int32_t col, int32_t row);
  // Compare with... (frm_tessary_compare.cpp): compares the table with a
  // table file; the changed cells are marked until the comparison closes.
  void MComparewithClick();
  // False when `path` cannot be read as a table; nothing changes then.
  bool CompareWith(const QString& path);
  void CloseComparison();
  void MNextdifferenceClick();
  void MPreviousdifferenceClick();
  void MTakeothervalueClick();
  // The rows chosen in the panel's list of the other table's rows.
  void TakeOtherRowsClick();
  // The comparison shown, or nullptr.
  const TTableComparison* Comparison() const;

  // The Find and Replace dialog, created on first use (nullptr before).
  TFindDialog* FindDialog() const { return FFindDialog; }
  // The Find in files dialog and panel, created on first use.
  TFindInFilesDialog* FindInFilesDialog() const { return FFindInFilesDialog; }
  TFindInFilesPanel* FindInFilesPanel() const { return FFindInFilesPanel; }
  // The user dictionary of column names (nothing when there is no folder
  // for it): $XDG_DATA_HOME/tessary/column-names.txt or the default under
  // the home folder, found when the window is created.
  const std::optional<std::filesystem::path>& UserNamesFile() const { return FUserNamesFile; }

  // Undo and redo: of the text being edited while a cell is edited, else of
  // the table's last step (keys Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z in the grid).
  void EditUndo();
  void EditRedo();

  // Before a command throws the table away: when it holds unsaved changes,
  // asks "Save changes to NAME?" with Save, Discard and Cancel. True when
  // the command may go on (nothing to save, saved, or discarded); false on
  // Cancel and when saving failed or was cancelled.
  bool ConfirmDiscardChanges();
  // Opens a table file as the new document (no question): the grid in
  // Editor mode, the column count shown, a fresh history. False when it
  // could not be loaded; the window is then unchanged.
  bool OpenFile(const QString& path);

  // Runs a command; a failure it did not catch goes to the general error
  // report and the application goes on.
  static void RunCommand(const std::function<void()>& command);

  // A message in the status line for `timeoutMs` (0: until the next one).
  void ShowStatusMessage(const QString& text, int timeoutMs = 10000);

  // Recovery copies (frm_tessary_recovery.cpp): the copies windows left
  // when they did not close cleanly, offered one by one.
  void OfferRecoveryCopies();
  // Writes this window's copy when one is due (its timer calls it).
  bool WriteRecoveryCopyIfDue();
  void SetRecoveryClock(std::function<std::chrono::steady_clock::time_point()> clock);
  std::filesystem::path RecoveryCopyPath() const;
  // The grid's context menu, filled anew; shown at `globalPos` unless
  // `show` is false.
  QMenu* GridContextMenu(const QPoint& globalPos, bool show = true);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // A table file dropped on the window is opened as Open does.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateComponents();
  void CreateStatusBar();
  void ApplyPalette();
  void PlaceFirstWindow();
  QLayout* CreateOptionControls(QWidget* client);
  void CreateGrid(QWidget* client);
  void FormCreate(const std::filesystem::path& startFile);
  void NewTable();
  bool LoadFile(const QString& path);
  void DesignerMode(bool designer);
  void SetFilename(const QString& str);
  void UpdateCaption();
  void EndGridEdit();
  void FocusGrid();
  void ShowColCount();
  void ShowMode();
  void HistoryChanged(THistoryChange change);
  bool SaveDocument();
  bool SaveDocumentAs();
  bool WriteFile(const QString& path);
  bool ConfirmBeforeSave();
  void CreateTableMenu();
  void ResetFilter();
  void FilterChanged();
  void UpdateFilterStatus();
  void GridNotice(TGridNotice notice);
  void TakeImportedTable(const TCellTable& imported, const QString& path);
  void CreateMenus();
  // Adds a command to `menu` with its keys; it runs through RunCommand and
  // gives the keyboard back to the grid.
  QAction* AddCommand(QMenu* menu, const QString& text, std::initializer_list<QKeySequence> keys,
                      std::function<void()> handler);
  void ShowTopLeft();
  void UpdateStatus();
  void FillRecentMenu();
  void FillGridContextMenu(QMenu* menu);
  TFindDialog& EnsureFindDialog();
  void ShowFind(bool replace);
  void FindNextCell();
  void WarnDictionary(const std::string& message);
  void StartRecovery();
  void UpdateRecovery();
  void EndRecovery();
  bool RestoreRecoveryCopy(TLeftCopy& copy);
  TFindInFilesPanel& EnsureFindInFilesPanel();
  void MoveToFoundCell(int32_t col, int32_t row);
  void CreateComparePanel();
  void AddCompareCommands(QMenu* edit);
  void FollowComparison(THistoryChange change);
  void GoToDifference(bool forward);

  TFileDialogPort* FDialog;
  TQtFileDialog FQtDialog;
  TQtSheetDialog FQtSheetDialog;
  QString FGDAFilename;
  bool FHasFile = false;  // GDAFilename names a file opened or saved
  TFindDialog* FFindDialog = nullptr;
  bool FGoToById = false;  // Go to row starts with the choice made last
  std::optional<std::filesystem::path> FUserNamesFile;
  bool FDictionaryWarned = false;  // the dictionary's warning shows once a run
  QMenu* FContextMenu = nullptr;
  std::shared_ptr<TWindowRecovery> FRecovery;
  TFindInFilesDialog* FFindInFilesDialog = nullptr;
  TFindInFilesPanel* FFindInFilesPanel = nullptr;
  std::unique_ptr<TWindowComparison> FComparison;
};

}  // namespace tessary
