// Find and Replace over the cell table, free of Qt: what the window's Find
// bar and Replace dialog call. Nothing here writes a cell; Replace and
// Replace all return the writes, so that the window records them as one
// undoable step and applies them through its edit history.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grid/table_filter.h"
#include "table/cell_table.h"

namespace tessary {

struct TFindOptions {
  std::u16string Text;     // what to look for; the empty text finds nothing
  bool MatchCase = false;  // off: letters compare by simple Unicode case folding
  bool WholeCell = false;  // the whole cell text must be Text, not only a part of it
};

// `text` with Unicode simple case folding, as Find compares texts without
// MatchCase: of the same length, one code unit (or pair) for one.
std::u16string FoldCase(std::u16string_view text);

// Whether a text matches, and the text with its matches replaced. Prepared
// once per search, so that the loop over the cells only compares.
//
// Without MatchCase both sides are compared after Unicode simple case
// folding (ICU's default folding, the same for every locale, so "I" and "i"
// match also for a Turkish user). Simple folding maps each character to
// exactly one character, so a match keeps its position and length in the
// cell's own text and Replace changes exactly the matched characters.
class TTextMatcher {
 public:
  explicit TTextMatcher(const TFindOptions& options);

  bool Matches(std::u16string_view text) const;
  // The text with every match replaced, left to right, matches not
  // overlapping (the whole text for WholeCell); nothing when it holds no
  // match or the replacement leaves it unchanged.
  std::optional<std::u16string> Replace(std::u16string_view text,
                                        std::u16string_view replacement) const;

 private:
  // Start of the first match at or after `from` in `text`, or npos.
  size_t FindIn(std::u16string_view text, size_t from) const;

  std::u16string FNeedle;  // folded unless MatchCase
  bool FMatchCase;
  bool FWholeCell;
  mutable std::u16string FFolded;  // the folded cell text, reused between cells
};

// Where Find looks within those cells (below): only the rows a filter
// shows, and with "In selection" only the cells of a rectangle.
struct TFindScope {
  const TTableFilter* Filter = nullptr;  // nullptr: every row
  std::optional<TGridRect> Selection;    // "In selection"
};

// A found cell. Wrapped: the search passed the last cell and went on from
// the first one to reach it.
struct TFindResult {
  TGridCoord Cell;
  bool Wrapped = false;
  friend bool operator==(const TFindResult&, const TFindResult&) = default;
};

// The cells Find looks at are those the current cell can reach: the
// non-fixed part of the extent. In Designer mode (no fixed rows) that
// includes the names and types rows; in Editor mode it starts at the first
// data row.
//
// Find next: row by row, left to right, from the cell after `from` to the
// last cell, then from the first cell on; `from` itself is looked at last,
// so a lone match is found again. A `from` outside those cells starts at
// the first cell.
std::optional<TFindResult> FindNext(const TCellTable& table, const TFindOptions& options,
                                    TGridCoord from, const TFindScope& scope = {});

// One cell write: the text before and after. Col/Row are the cell.
struct TCellEdit {
  int32_t Col = 0;
  int32_t Row = 0;
  std::u16string Old;
  std::u16string New;
  friend bool operator==(const TCellEdit&, const TCellEdit&) = default;
};

// Replace: the write that replaces the matches in `cell`, or nothing when
// that cell does not match (the window then goes on with Find next).
std::optional<TCellEdit> ReplaceInCell(const TCellTable& table, const TFindOptions& options,
                                       std::u16string_view replacement, TGridCoord cell,
                                       const TFindScope& scope = {});

// Replace all: the writes for every matching cell Find looks at, in search
// order from the first cell. Cells whose text would not change are left out.
std::vector<TCellEdit> ReplaceAll(const TCellTable& table, const TFindOptions& options,
                                  std::u16string_view replacement, const TFindScope& scope = {});

// Writes the new texts of `edits`; RevertCellEdits writes their old texts,
// last edit first. For callers without an edit history, and for tests.
void ApplyCellEdits(TCellTable& table, const std::vector<TCellEdit>& edits);
void RevertCellEdits(TCellTable& table, const std::vector<TCellEdit>& edits);

}  // namespace tessary
