// The comparison panel: a dock beside the grid that says what a comparison
// found, lists the rows only the other table has (to take them) and the
// rows only this table has (to go to them), and closes the comparison.
#pragma once

#include <QDockWidget>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "compare/table_compare.h"
#include "table/cell_table.h"

class QLabel;
class QListView;
class QPushButton;

namespace tessary {

class TRowListModel;

// A comparison the window shows: the other table, read from its file, and
// the comparison of the window's table with it.
struct TWindowComparison {
  QString Path;
  std::unique_ptr<TCellTable> Other;
  std::unique_ptr<TTableComparison> Comparison;
};

class TComparePanel : public QDockWidget {
  Q_OBJECT

 public:
  explicit TComparePanel(QWidget* parent = nullptr);

  // Shows a comparison of `table` with `other`, named by their file names;
  // they must outlive it or be replaced (Clear forgets them).
  void Show(const TTableComparison& comparison, const TCellTable& table, const TCellTable& other,
            const QString& tableName, const QString& otherName);
  void Clear();
  // Shows the comparison's present state, after it changed.
  void Refresh();
  // The entries chosen in the list of the other table's rows, as indices of
  // the comparison's AddedRows.
  std::vector<size_t> SelectedAddedRows() const;

  QLabel* Summary = nullptr;
  QListView* AddedList = nullptr;    // rows only the other table has
  QListView* RemovedList = nullptr;  // rows only this table has
  QPushButton* TakeRowButton = nullptr;
  QPushButton* CloseButton = nullptr;

 signals:
  void TakeRowsRequested();
  void GoToRowRequested(int32_t row);
  // The close button of the panel or of its title bar.
  void CloseRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QString RowText(const TCellTable& table, int32_t row) const;
  void UpdateButtons();

  const TTableComparison* FComparison = nullptr;
  const TCellTable* FTable = nullptr;
  const TCellTable* FOther = nullptr;
  QString FTableName;
  QString FOtherName;
  TRowListModel* FAddedModel = nullptr;
  TRowListModel* FRemovedModel = nullptr;
  QLabel* FAddedTitle = nullptr;
  QLabel* FRemovedTitle = nullptr;
  // What the lists show, so that an edit that leaves them alone keeps
  // their selection and scroll position.
  std::vector<int32_t> FListedAdded;
  std::vector<int32_t> FListedRemoved;
};

}  // namespace tessary
