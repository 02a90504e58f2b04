// The Find in files panel: a dock panel listing the cells of the table
// files in a folder that hold a text (file, row, ID, column, text), the
// files that could not be read as warnings, and a count. The search runs on
// the window's thread in short slices between events (a table load reports
// its failure through the one error handler, which is not for other
// threads), so the window answers while a large folder is searched and Stop
// ends the search at once.
#pragma once

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/find_in_files_dialog.h"
#include "grid/find_replace.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace tessary {

// One line of the list: a found cell, or a file (folder) that could not be
// read, with the reason as its text.
struct TFoundLine {
  int32_t File = 0;  // index into the search's files
  int32_t Col = -1;  // -1: a warning
  int32_t Row = -1;
  QString Id;
  QString Column;
  QString Text;
};

class TFoundLinesModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum TColumn { fcFile, fcRow, fcId, fcColumn, fcText, fcCount };
  using QAbstractTableModel::QAbstractTableModel;

  void Reset(std::filesystem::path folder);
  // A file's index, for the lines that name it.
  int32_t AddFile(std::filesystem::path file);
  void Append(std::vector<TFoundLine>&& lines);

  const TFoundLine& Line(int row) const { return FLines[static_cast<size_t>(row)]; }
  const std::filesystem::path& File(int32_t index) const {
    return FFiles[static_cast<size_t>(index)];
  }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::filesystem::path FFolder;
  std::vector<std::filesystem::path> FFiles;
  std::vector<QString> FShownNames;  // each file's path below the folder
  std::vector<TFoundLine> FLines;
};

class TFindInFilesPanel : public QDockWidget {
  Q_OBJECT

 public:
  // The list keeps at most this many found cells; the search stops there.
  static constexpr int32_t kMaxFound = 100000;

  explicit TFindInFilesPanel(QWidget* parent);

  // Lists the table files of the folder and starts searching them; a
  // search under way is stopped first.
  void Start(const TFindInFilesQuery& query);
  void Stop();
  bool Running() const { return FTimer.isActive(); }

  TFoundLinesModel* Model() const { return FModel; }
  QTreeView* List = nullptr;
  QLabel* Count = nullptr;
  QPushButton* StopBtn = nullptr;

 signals:
  // A found cell was activated (double click, Enter): its file, grid column
  // and grid row.
  void CellActivated(const QString& path, int32_t col, int32_t row);

 protected:
  // Closing the panel ends its search.
  void closeEvent(QCloseEvent* event) override;

 private:
  void Step();
  void SearchFile(size_t index, std::vector<TFoundLine>& out);
  void Finish(bool stopped);
  void ShowCount();

  TFoundLinesModel* FModel = nullptr;
  QTimer FTimer;
  std::vector<std::filesystem::path> FQueue;  // the table files to search
  size_t FNext = 0;
  TFindOptions FOptions;
  std::optional<TTextMatcher> FMatcher;
  std::optional<uint32_t> FColumnHash;
  int32_t FFound = 0;
  int32_t FFilesWithHits = 0;
  int32_t FWarnings = 0;
  bool FStopped = false;
  bool FFull = false;                // kMaxFound reached
  std::vector<TFoundLine> FPending;  // found since the list was last brought up to date
  QElapsedTimer FShown;              // since then
};

}  // namespace tessary
