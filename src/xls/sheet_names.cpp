#include "xls/sheet_names.h"

#include <algorithm>

#include "common/error.h"
#include "text/utf16.h"

namespace tessary {

void ThrowSheetNameExists(std::u16string_view name) {
  ThrowError("Sheet name already exists: %s", ToUtf8(name).c_str());
}

void ThrowSheetNumberInvalid(int64_t number, int64_t low, int64_t high) {
  ThrowError("Sheet number \"%lld\" invalid. Must be between %lld and %lld",
             static_cast<long long>(number), static_cast<long long>(low),
             static_cast<long long>(high));
}

// ---- TSheetNameList ----

static std::u16string NameOf(std::u16string_view root, uint32_t number) {
  std::u16string name(root);
  if (number != 0) name += Ascii16(std::to_string(number));
  return name;
}

// Shorter names first, then code unit by code unit.
static bool NameLess(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

size_t TSheetNameList::Find(std::u16string_view name, bool& found) const {
  const auto it = std::lower_bound(
      FEntries.begin(), FEntries.end(), name,
      [](const TEntry& entry, std::u16string_view key) { return NameLess(entry.Name, key); });
  found = it != FEntries.end() && it->Name == name;
  return static_cast<size_t>(it - FEntries.begin());
}

bool TSheetNameList::Contains(std::u16string_view name) const {
  bool found = false;
  Find(name, found);
  return found;
}

void TSheetNameList::Insert(std::u16string_view root, uint32_t number) {
  TEntry entry{std::u16string(root), number, NameOf(root, number)};
  bool found = false;
  const size_t at = Find(entry.Name, found);
  if (found) ThrowSheetNameExists(entry.Name);
  FEntries.insert(FEntries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

void TSheetNameList::Add(std::u16string_view name) { Insert(name, 0); }

std::u16string TSheetNameList::AddUniqueName(std::u16string_view name) {
  bool rootUsed = false;
  uint32_t number = 0;
  for (const TEntry& entry : FEntries) {
    if (entry.Root == name) {
      number = rootUsed ? std::max(number, entry.Number) : entry.Number;
      rootUsed = true;
    }
  }
  if (rootUsed) ++number;
  // A name can also be taken by an entry of another root ("Sheet1" loaded
  // as a name of its own when "Sheet" with number 1 is asked for).
  while (Contains(NameOf(name, number))) ++number;
  Insert(name, number);
  return NameOf(name, number);
}

void TSheetNameList::Rename(std::u16string_view oldName, std::u16string_view newName) {
  if (oldName == newName) return;
  if (Contains(newName)) ThrowSheetNameExists(newName);
  DeleteSheet(oldName);
  Insert(newName, 0);
}

void TSheetNameList::DeleteSheet(std::u16string_view name) {
  bool found = false;
  const size_t at = Find(name, found);
  if (found) FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(at));
}

std::u16string TSheetNameList::MakeValidSheetName(std::u16string_view name) {
  std::u16string valid(name.substr(0, 31));
  for (char16_t& c : valid) {
    switch (c) {
      case u'/':
      case u'\\':
      case u'?':
      case u'[':
      case u']':
      case u'*':
        c = u'_';
        break;
      case u':':
        c = u'.';
        break;
      default:
        break;
    }
  }
  return valid;
}

// ---- TBoundSheetList ----

TBoundSheetRecord& TBoundSheetList::Sheet(size_t index) const {
  if (index >= Count()) {
    ThrowSheetNumberInvalid(static_cast<int64_t>(index), 0, static_cast<int64_t>(Count()) - 1);
  }
  return static_cast<TBoundSheetRecord&>(*FBoundSheets[index]);
}

void TBoundSheetList::Add(std::unique_ptr<TBoundSheetRecord> record) {
  FSheetNames.Add(record->SheetName());
  FBoundSheets.Add(std::move(record));
}

std::u16string TBoundSheetList::InsertSheet(size_t beforeSheet, uint16_t optionFlags,
                                            std::u16string_view sheetName) {
  const std::u16string name = FSheetNames.AddUniqueName(sheetName);
  try {
    FBoundSheets.Insert(std::min(beforeSheet, Count()),
                        TBoundSheetRecord::Build(optionFlags, name));
  } catch (...) {
    FSheetNames.DeleteSheet(name);
    throw;
  }
  return name;
}

void TBoundSheetList::DeleteSheet(size_t sheetIndex) {
  FSheetNames.DeleteSheet(Sheet(sheetIndex).SheetName());
  FBoundSheets.Delete(sheetIndex);
}

void TBoundSheetList::RenameSheet(size_t index, std::u16string_view name) {
  TBoundSheetRecord& sheet = Sheet(index);
  const std::u16string valid = TSheetNameList::MakeValidSheetName(name);
  const std::u16string old = sheet.SheetName();
  // An empty name would make a workbook that spreadsheet programs refuse.
  if (valid == old || valid.empty()) return;
  FSheetNames.Rename(old, valid);
  sheet.SetSheetName(valid);
}

void TBoundSheetList::Clear() {
  FSheetNames.Clear();
  FBoundSheets.Clear();
}

}  // namespace tessary
