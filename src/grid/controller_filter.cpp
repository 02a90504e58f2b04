// The grid controller's filter commands and status notices.
#include <algorithm>

#include "grid/grid_controller.h"

namespace tessary {

std::u16string GridNoticeText(TGridNotice notice) {
  switch (notice) {
    case TGridNotice::gnRowsSorted:
      return u"Rows sorted: Save writes them in this order. Undo takes the sort back.";
    case TGridNotice::gnFilterClearedForUndo:
      return u"Filter cleared: Undo changes rows the filter hid.";
    case TGridNotice::gnFilterClearedForRedo:
      return u"Filter cleared: Redo changes rows the filter hid.";
    case TGridNotice::gnFilterClearedForDeleteColumns:
      return u"Filter cleared: deleting columns changes the rows the filter hid.";
  }
  return {};
}

int32_t TGridController::FirstShownRow() const {
  if (ShownRowCount(FTable, &FFilter) <= FTable.FixedRows()) return -1;
  return RowOfShownIndex(FTable, &FFilter, FTable.FixedRows());
}

int32_t TGridController::LastShownRow() const {
  const int32_t count = ShownRowCount(FTable, &FFilter);
  if (count <= FTable.FixedRows()) return -1;
  return RowOfShownIndex(FTable, &FFilter, count - 1);
}

void TGridController::KeepCurrentShown() {
  const TGridCoord cur = FTable.Current();
  if (FFilter.Shows(cur.Y) || FirstShownRow() < 0) return;
  // ShownRowMovedBy steps from a hidden row to the next shown one, or
  // stops at the last shown row when there is none below.
  const int32_t row = ShownRowMovedBy(FTable, &FFilter, cur.Y, 1);
  FTable.MoveCurrent(TGridCoord{cur.X, row});
}

void TGridController::ApplyFilter(std::vector<TFilterCondition> conditions) {
  EndEdit(false);
  FFilter.Apply(FTable, std::move(conditions));
  FVisibleValid = false;
  KeepCurrentShown();
  // The first shown row may lie anywhere below the old one.
  FTable.SetTopRow(std::max(FirstShownRow(), FTable.FixedRows()));
  ScrollCurrentIntoView();
  FView.LayoutChanged();
  FView.InvalidateAll();
}

void TGridController::ClearFilter() {
  if (!FFilter.Active()) return;
  EndEdit(false);
  FFilter.Clear();
  FVisibleValid = false;
  ScrollCurrentIntoView();
  FView.LayoutChanged();
  FView.InvalidateAll();
}

}  // namespace tessary
