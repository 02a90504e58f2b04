// The table commands of the Edit and Table menus and the grid's context
// menu, free of Qt: sort, insert and delete columns, fill down, insert and
// delete rows. Each commits an open editor first and changes the table as
// one step of the grid's edit history; with a filter on, each acts on the
// rows it shows and leaves hidden rows as they are.
#pragma once

#include <cstdint>
#include <string>

#include "grid/grid_controller.h"
#include "grid/table_filter.h"
#include "grid/table_sort.h"

namespace tessary {

// Sorts the data rows (the shown ones, among their own places) by column
// `col` as SortedRows orders them; the names and types rows stay. The step
// keeps one row index per row moved. Tells gnRowsSorted; returns false
// when no row moved.
bool SortRows(TGridController& grid, int32_t col, TSortOrder order, const std::string& locale);

// A new column before the current one, with an empty name and the type
// "string"; the current cell stands in it.
void InsertColumn(TGridController& grid);

// Deletes the columns of the selection with their cells; when that would
// be every column, the first of them stays and is emptied instead. With a
// filter on and text in a hidden row of those columns, the filter is
// cleared first (gnFilterClearedForDeleteColumns).
void DeleteColumns(TGridController& grid);

// Copies the selection's first shown row into the shown rows below it
// within the selection.
void FillDown(TGridController& grid);

// An empty row at the current row, which moves down; it shows until the
// filter changes.
void InsertRow(TGridController& grid);

// Deletes the shown non-fixed rows of the selection. When that would leave
// no non-fixed row, the first of them stays and is emptied instead, as the
// [Del] key does.
void DeleteRows(TGridController& grid);

// The condition "equals the current cell" of the filter.
TFilterCondition EqualsCurrentCell(const TCellTable& table);

// Whether a cell of the types row holds a text that names no column type
// (Save stores such a column as string); the window paints it as it paints
// values Save cannot keep.
bool IsInvalidTypeCell(const TCellTable& table, int32_t col, int32_t row);

}  // namespace tessary
