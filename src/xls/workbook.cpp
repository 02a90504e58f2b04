#include "xls/workbook.h"

#include <set>
#include <unordered_map>
#include <vector>

#include "common/error.h"
#include "text/utf16.h"
#include "xls/record_reader.h"

namespace tessary {

namespace {

// Creates the section for a BOF by its kind.
std::unique_ptr<TSheet> NewSheetFor(const TBOFRecord& bof, TWorkbookGlobals* globals) {
  switch (bof.Kind()) {
    case kBofWorksheet:
      return std::make_unique<TWorkSheet>(globals);
    default:
      // A chart sheet or a sheet of another kind, kept as read.
      return std::make_unique<TRawSheet>(globals);
  }
}

std::unique_ptr<TBOFRecord> AsBof(std::unique_ptr<TBaseRecord> record) {
  auto* bof = dynamic_cast<TBOFRecord*>(record.get());
  if (bof == nullptr) ThrowFileInvalid();
  record.release();
  return std::unique_ptr<TBOFRecord>(bof);
}

}  // namespace

// ---- TSheetList ----

TSheet* TSheetList::Add(std::unique_ptr<TSheet> sheet) {
  FItems.push_back(std::move(sheet));
  return FItems.back().get();
}

TSheet* TSheetList::Insert(size_t index, std::unique_ptr<TSheet> sheet) {
  return FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(index), std::move(sheet))
      ->get();
}

void TSheetList::Delete(size_t index) {
  FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(index));
}

std::unique_ptr<TSheet> TSheetList::Replace(size_t index, std::unique_ptr<TSheet> sheet) {
  std::swap(FItems[index], sheet);
  return sheet;
}

// ---- TWorkbook ----

TWorkbook::TWorkbook() = default;
TWorkbook::~TWorkbook() {
  // Sheets hold string cells that point into the globals' table.
  FSheets.Clear();
}

void TWorkbook::LoadFromStream(TRecordReader& in) {
  FSheets.Clear();
  FGlobals.Clear();
  std::vector<uint64_t> bofAt;  // stream position of each sheet section's BOF
  while (!in.NextEof(3) && in.Header.Id != 0) {
    const uint16_t id = in.Header.Id;
    const uint64_t recordAt = in.Position() - kRecordHeaderSize;
    std::unique_ptr<TBaseRecord> record = ReadNextRecord(in);
    if (id == xlsid::BOF) {
      std::unique_ptr<TBOFRecord> bof = AsBof(std::move(record));
      if (bof->Kind() == kBofGlobals) {
        // A second globals section would replace the string table that the
        // sheets read so far point into.
        if (FGlobals.BOF()) ThrowFileInvalid();
        FGlobals.LoadFromStream(in, std::move(bof), FGlobals.SST());
      } else {
        TSheet* sheet = FSheets.Add(NewSheetFor(*bof, &FGlobals));
        bofAt.push_back(recordAt);
        sheet->LoadFromStream(in, std::move(bof), FGlobals.SST());
      }
    } else if (id != xlsid::EOFREC) {
      ThrowFileInvalid();
    }
    if (FGlobals.SheetCount() > 0 && FSheets.Count() == FGlobals.SheetCount()) break;
  }
  OrderSheetsByPosition(bofAt);
  FGlobals.SST().Sort();
}

// Each BOUNDSHEET names the stream position of its sheet's BOF, which is how
// a reader finds the sheet: the tab order need not be the order of the
// sections in the stream. The sections are put in BOUNDSHEET order; when
// they cannot be paired with the BOUNDSHEETs one to one, the file is not
// read at all rather than with sheets swapped or shifted.
void TWorkbook::OrderSheetsByPosition(const std::vector<uint64_t>& bofAt) {
  const size_t count = FGlobals.SheetCount();
  if (FSheets.Count() != count) ThrowFileInvalid();
  std::unordered_map<uint64_t, size_t> sectionAt;
  for (size_t j = 0; j < count; ++j) sectionAt.emplace(bofAt[j], j);
  std::vector<std::unique_ptr<TSheet>> sections(count);
  for (size_t j = 0; j < count; ++j) sections[j] = FSheets.Replace(j, nullptr);
  std::vector<size_t> order(count);
  std::vector<bool> taken(count, false);
  for (size_t i = 0; i < count; ++i) {
    const auto it = sectionAt.find(FGlobals.BoundSheets().Sheet(i).Position());
    if (it == sectionAt.end() || taken[it->second]) {
      for (size_t j = 0; j < count; ++j) FSheets.Replace(j, std::move(sections[j]));
      ThrowFileInvalid();
    }
    taken[it->second] = true;
    order[i] = it->second;
  }
  for (size_t i = 0; i < count; ++i) FSheets.Replace(i, std::move(sections[order[i]]));
}

void TWorkbook::GiveCodeNames() {
  std::set<std::u16string> used;
  if (!FGlobals.CodeName().empty()) used.insert(FGlobals.CodeName());
  for (size_t i = 0; i < FSheets.Count(); ++i) {
    if (auto* name = dynamic_cast<TCodeNameRecord*>(FSheets[i].CodeName().get())) {
      used.insert(name->Name());
    }
  }
  int number = 1;
  for (size_t i = 0; i < FSheets.Count(); ++i) {
    if (FSheets[i].CodeName()) continue;
    std::u16string name;
    do {
      name = u"Sheet" + Ascii16(std::to_string(number++));
    } while (used.count(name) != 0);
    used.insert(name);
    FSheets[i].CodeName() = TCodeNameRecord::Build(name);
  }
}

uint64_t TWorkbook::PrepareOffsets() {
  if (FGlobals.HasMacro()) GiveCodeNames();
  for (size_t i = 0; i < FSheets.Count(); ++i) {
    if (auto* sheet = dynamic_cast<TWorkSheet*>(&FSheets[i])) sheet->Cells().FixRows();
  }
  FGlobals.SST().FixRefs();
  uint64_t position = FGlobals.TotalSize();
  if (FGlobals.SheetCount() != FSheets.Count()) ThrowFileInvalid();
  for (size_t i = 0; i < FSheets.Count(); ++i) {
    FGlobals.SheetSetOffset(i, static_cast<uint32_t>(position));
    position += FSheets[i].TotalSize();
  }
  return position;
}

void TWorkbook::SaveToStream(TRecordStream& stream) {
  PrepareOffsets();

  int firstVisible = -1;
  for (size_t i = FSheets.Count(); i-- > 0;) {
    if (FGlobals.SheetVisibility(i) == 0) {
      firstVisible = static_cast<int>(i);
    } else if (FSheets[i].Selected()) {
      throw Error("To save this file, you must select a visible sheet");
    }
  }
  if (firstVisible < 0) throw Error("There are not visible sheets on the file");
  FGlobals.SetFirstSheetVisible(firstVisible);

  FGlobals.SaveToStream(stream);
  for (size_t i = 0; i < FSheets.Count(); ++i) FSheets[i].SaveToStream(stream);
}

void TWorkbook::CheckSheetIndex(int index) const {
  if (index < 0 || index >= SheetCount()) ThrowSheetNumberInvalid(index, 0, SheetCount() - 1);
}

bool TWorkbook::IsWorksheet(int index) const {
  CheckSheetIndex(index);
  return FSheets[static_cast<size_t>(index)].IsWorksheet();
}

TWorkSheet* TWorkbook::WorkSheet(int index) const {
  CheckSheetIndex(index);
  TSheet& sheet = FSheets[static_cast<size_t>(index)];
  return sheet.IsWorksheet() ? static_cast<TWorkSheet*>(&sheet) : nullptr;
}

TWorkSheet& TWorkbook::WorkSheetToChange(int index) const {
  TWorkSheet* sheet = WorkSheet(index);
  if (sheet == nullptr) throw Error("The sheet is not a worksheet");
  return *sheet;
}

void TWorkbook::InsertRows(int index, int row, int count) {
  TWorkSheet& sheet = WorkSheetToChange(index);
  if (count <= 0) return;
  if (FGlobals.MayReferToSheet(static_cast<size_t>(index))) {
    throw Error(
        "Rows cannot be inserted into a sheet that defined names or other sheets may "
        "refer to");
  }
  sheet.InsertRows(row, count);
}

void TWorkbook::InsertCols(int index, int col, int count) {
  TWorkSheet& sheet = WorkSheetToChange(index);
  if (count <= 0) return;
  if (FGlobals.MayReferToSheet(static_cast<size_t>(index))) {
    throw Error(
        "Columns cannot be inserted into a sheet that defined names or other sheets may "
        "refer to");
  }
  sheet.InsertCols(col, count);
}

std::unique_ptr<TSheet> TWorkbook::CopySheet(int index) {
  // The copy is the sheet written out and read back. Its string cells are
  // written by their index in the string table, so the table is numbered
  // first exactly as a save numbers it.
  TSheet& source = FSheets[static_cast<size_t>(index)];
  if (auto* sheet = dynamic_cast<TWorkSheet*>(&source)) sheet->Cells().FixRows();
  FGlobals.SST().FixRefs();
  TCountingStream discard;
  FGlobals.SST().SaveToStream(discard);
  TMemoryRecordStream image;
  source.SaveToStream(image);

  TRecordReader in(image.Data);
  std::unique_ptr<TBOFRecord> bof = AsBof(ReadNextRecord(in));
  std::unique_ptr<TSheet> copy = NewSheetFor(*bof, &FGlobals);
  copy->LoadFromStream(in, std::move(bof), FGlobals.SST());
  // Code names must stay unique; a save gives the copy its own when needed.
  copy->CodeName().reset();
  return copy;
}

void TWorkbook::InsertSheets(int copyFrom, int insertBefore, int sheetCount) {
  if (insertBefore < 0 || insertBefore > SheetCount()) {
    ThrowSheetNumberInvalid(insertBefore, 0, SheetCount());
  }
  if (copyFrom >= 0) CheckSheetIndex(copyFrom);
  if (sheetCount <= 0) return;
  // Build every new sheet before anything changes, so that a failure leaves
  // the workbook as it was.
  std::vector<std::unique_ptr<TSheet>> added;
  for (int i = 0; i < sheetCount; ++i) {
    if (copyFrom >= 0) {
      added.push_back(CopySheet(copyFrom));
    } else {
      added.push_back(TWorkSheet::CreateFromData(FGlobals, FGlobals.SST()));
    }
  }
  const uint16_t options = copyFrom >= 0 ? FGlobals.SheetOptionFlags(copyFrom) : 0;
  FGlobals.InsertSheets(static_cast<size_t>(insertBefore), options, u"Sheet",
                        static_cast<size_t>(sheetCount));
  for (int i = 0; i < sheetCount; ++i) {
    // The template's sheet and a copied sheet may be selected; a new sheet
    // is not, so that the workbook's selection stays one sheet.
    added[i]->SetSelected(false);
    FSheets.Insert(static_cast<size_t>(insertBefore + i), std::move(added[i]));
  }
}

void TWorkbook::DeleteSheets(int sheetPos, int sheetCount) {
  if (sheetCount <= 0) return;
  CheckSheetIndex(sheetPos);
  CheckSheetIndex(sheetPos + sheetCount - 1);
  FGlobals.DeleteSheets(static_cast<size_t>(sheetPos), static_cast<size_t>(sheetCount));
  for (int i = 0; i < sheetCount; ++i) FSheets.Delete(static_cast<size_t>(sheetPos));
  if (ActiveSheet() >= SheetCount() && SheetCount() > 0) SetActiveSheet(SheetCount() - 1);
}

void TWorkbook::ClearSheet(int index) {
  CheckSheetIndex(index);
  std::unique_ptr<TWorkSheet> fresh = TWorkSheet::CreateFromData(FGlobals, FGlobals.SST());
  TSheet& old = FSheets[static_cast<size_t>(index)];
  fresh->CodeName() = std::move(old.CodeName());
  if (!old.IsWorksheet()) {
    // The sheet list must say what the section now is.
    TBoundSheetRecord& entry = FGlobals.BoundSheets().Sheet(static_cast<size_t>(index));
    entry.SetOptionFlags(entry.OptionFlags() & 0x00FF);
  }
  FSheets.Replace(static_cast<size_t>(index), std::move(fresh));
  SetActiveSheet(index);
}

void TWorkbook::SetActiveSheet(int value) {
  CheckSheetIndex(value);
  for (size_t i = 0; i < FSheets.Count(); ++i) FSheets[i].SetSelected(false);
  FGlobals.SetActiveSheet(value);
  FSheets[static_cast<size_t>(value)].SetSelected(true);
}

}  // namespace tessary
