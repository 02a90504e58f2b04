// The sheet list of the workbook globals: the BOUNDSHEET records in sheet
// order and the set of sheet names, with the rules that keep names valid
// and unique.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/base_record.h"
#include "xls/records.h"

namespace tessary {

// The set of sheet names. Each entry is a root and a number; its name is
// the root followed by the number in decimal when the number is not 0.
// Names compare exactly (letter case counts), shorter names first; the list
// is kept in that order and searched by halving.
class TSheetNameList {
 public:
  // Adds a name as an entry of its own (number 0). Fails with "Sheet name
  // already exists: %s" when the name is taken.
  void Add(std::u16string_view name);
  // Adds an entry for `name` made unique by a number and returns the name
  // used: the number after the highest one used with this root, raised
  // while the name is taken.
  std::u16string AddUniqueName(std::u16string_view name);
  // Nothing when the names are equal; "Sheet name already exists: %s" when
  // another sheet has the new name; else the old name is replaced.
  void Rename(std::u16string_view oldName, std::u16string_view newName);
  void DeleteSheet(std::u16string_view name);
  bool Contains(std::u16string_view name) const;
  size_t Count() const { return FEntries.size(); }
  void Clear() { FEntries.clear(); }

  // The first 31 characters, with / \ ? [ ] * replaced by _ and : by .
  static std::u16string MakeValidSheetName(std::u16string_view name);

 private:
  struct TEntry {
    std::u16string Root;
    uint32_t Number = 0;
    std::u16string Name;  // Root plus Number, kept for the search
  };
  // Position of `name`, or where it belongs; `found` tells which.
  size_t Find(std::u16string_view name, bool& found) const;
  void Insert(std::u16string_view root, uint32_t number);

  std::vector<TEntry> FEntries;
};

// [[noreturn]] helper for the duplicate-name failure.
[[noreturn]] void ThrowSheetNameExists(std::u16string_view name);

// The BOUNDSHEET records of the workbook, one per sheet in sheet order, and
// their names.
class TBoundSheetList {
 public:
  size_t Count() const { return FBoundSheets.Count(); }
  TBoundSheetRecord& Sheet(size_t index) const;
  // Appends a loaded BOUNDSHEET; its name must not be taken.
  void Add(std::unique_ptr<TBoundSheetRecord> record);
  // Inserts a new BOUNDSHEET at `beforeSheet` with a unique name made from
  // `sheetName`; returns the name used.
  std::u16string InsertSheet(size_t beforeSheet, uint16_t optionFlags,
                             std::u16string_view sheetName);
  void DeleteSheet(size_t sheetIndex);
  // Renames sheet `index` to the valid form of `name` (see TSheetNameList).
  void RenameSheet(size_t index, std::u16string_view name);
  void Clear();

  void SaveToStream(TRecordStream& stream) const { FBoundSheets.SaveToStream(stream); }
  uint64_t TotalSize() const { return FBoundSheets.TotalSize(); }

 private:
  TSheetNameList FSheetNames;
  TBaseRecordList FBoundSheets;
};

// "Sheet number "%d" invalid. Must be between %d and %d"
[[noreturn]] void ThrowSheetNumberInvalid(int64_t number, int64_t low, int64_t high);

}  // namespace tessary
