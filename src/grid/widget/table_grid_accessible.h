// The grid for assistive technology: a table of the rows below the fixed
// rows, its cells with their texts, the names of the columns and the row
// labels of the gutter as headers, the current cell as the focused child
// and the selection.
#pragma once

namespace tessary {

class TTableGrid;

// Lets Qt's accessibility find the grid's table interface; once a run.
void InstallTableGridAccessibility();

// Tells assistive technology, when one listens, what changed since the
// last call: the table's shape, the selection, the focused cell.
void NotifyTableGridChanged(TTableGrid* grid);

}  // namespace tessary
