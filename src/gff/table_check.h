// What is wrong with a table before it is saved, and what a table file can
// hold of it (tessary-cli check): values Save would store as 0, type texts
// that name no column type, columns without a name or with the name hash of
// an earlier column, and, where the first column is named "ID", rows whose
// ID is empty or no number and rows that repeat an earlier ID. IDs compare
// by the value Save stores (StoredIdKey), column names by their hash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "table/cell_table.h"

namespace tessary {

enum class TCheckKind {
  ckUnstorableCells,  // data cells Save would store as 0 although they hold another text
  ckUnknownType,      // a type text that names no column type: saved as a string column
  ckUnnamedColumn,    // a column holding text whose name is stored as the empty name's hash
  ckDuplicateColumn,  // a column with the name hash of an earlier column
  ckBadId,            // ID column: a data row whose ID is empty or no number
  ckDuplicateId,      // ID column: a data row with the ID of an earlier row
};

// One case: the cell, column or row it is about, and for a repeat the
// earlier column or row (-1 where none applies).
struct TCheckCase {
  TCheckKind Kind = TCheckKind::ckUnstorableCells;
  int32_t Col = -1;
  int32_t Row = -1;
  int32_t Earlier = -1;
};

// The kinds a table file can hold: its ID column and types are numbers and
// its columns hashes, so only repeats and empty names remain.
inline constexpr TCheckKind kTableFileCheckKinds[] = {
    TCheckKind::ckUnnamedColumn, TCheckKind::ckDuplicateColumn, TCheckKind::ckDuplicateId};

// Every case of the given kinds (ckUnstorableCells excepted), kind by kind
// in the order given, each kind in column or row order.
void ForEachCheckCase(const TCellTable& table, const std::vector<TCheckKind>& kinds,
                      const std::function<void(const TCheckCase&)>& visit);

// The first case of each kind found, in the order of TCheckKind, with the
// number of cases of that kind.
struct TCheckFinding {
  TCheckCase First;
  size_t Count = 0;
};
std::vector<TCheckFinding> CheckBeforeSave(const TCellTable& table);

// The sentence the question before saving shows for a finding, about its
// first case, with how many more there are.
std::u16string CheckFindingText(const TCellTable& table, const TCheckFinding& finding);

}  // namespace tessary
