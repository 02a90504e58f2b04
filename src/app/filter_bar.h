// The filter bar: a strip above the grid that shows the conditions of the
// grid's filter and adds "contains" conditions to it. The filter itself is
// the grid controller's; the bar only edits its conditions.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "grid/table_filter.h"
#include "table/cell_table.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tessary {

class TTableGrid;

// "Label contains 'sword' and Cost contains '5'": the conditions as the bar
// lists them, each column by its name, else by "Column N".
QString FilterConditionsText(const TCellTable& table,
                             const std::vector<TFilterCondition>& conditions);

class TFilterBar : public QWidget {
  Q_OBJECT

 public:
  TFilterBar(TTableGrid* grid, QWidget* parent);

  QComboBox* ColumnBox = nullptr;
  QLineEdit* TextEdit = nullptr;
  QToolButton* ApplyButton = nullptr;
  QLabel* ConditionsLabel = nullptr;
  QToolButton* ClearButton = nullptr;

  // Shows the bar on the current column, the text field taking the keys.
  void Open();
  // Adds "column contains text" to the conditions (in place of the
  // column's earlier "contains" condition) and applies them; an empty text
  // changes nothing.
  void AddCondition();
  // Removes every condition and closes the bar; the keys go to the grid.
  void ClearConditions();
  // Closes the bar unless a filter is on, and lists the conditions.
  void Close();
  // Shows the filter's conditions; the bar shows while it is open or a
  // filter is on.
  void Refresh();

 signals:
  // The filter's conditions changed through the bar.
  void FilterChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FillColumns(int32_t current);

  TTableGrid* FGrid;
  bool FOpen = false;  // opened by the user, with or without conditions
};

}  // namespace tessary
