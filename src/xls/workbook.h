// The workbook model: the globals section and the sheet sections of one
// Workbook stream, read in stream order and written back with every sheet's
// stream position recomputed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "xls/globals.h"
#include "xls/record_reader.h"
#include "xls/sections.h"

namespace tessary {

// The sheet sections, owned, in BOUNDSHEET order.
class TSheetList {
 public:
  size_t Count() const { return FItems.size(); }
  TSheet& operator[](size_t index) const { return *FItems[index]; }
  TSheet* Add(std::unique_ptr<TSheet> sheet);
  TSheet* Insert(size_t index, std::unique_ptr<TSheet> sheet);
  void Delete(size_t index);
  std::unique_ptr<TSheet> Replace(size_t index, std::unique_ptr<TSheet> sheet);
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TSheet>> FItems;
};

class TWorkbook {
 public:
  TWorkbook();
  ~TWorkbook();
  TWorkbook(const TWorkbook&) = delete;
  TWorkbook& operator=(const TWorkbook&) = delete;

  // Reads the whole Workbook stream.
  void LoadFromStream(TRecordReader& in);
  // Writes the whole Workbook stream: code names when there is a VBA
  // project, rows completed, stream positions, the visibility check, then
  // every section.
  void SaveToStream(TRecordStream& stream);
  // Everything a save does before writing: code names, rows completed, the
  // string table settled and every BOUNDSHEET's stream position set (the
  // offset pass). Returns the number of bytes SaveToStream then writes.
  uint64_t PrepareOffsets();

  // Inserts `sheetCount` sheets before `insertBefore` (0-based): copies of
  // sheet `copyFrom`, or new empty worksheets when `copyFrom` is -1.
  void InsertSheets(int copyFrom, int insertBefore, int sheetCount);
  void DeleteSheets(int sheetPos, int sheetCount);
  // Replaces sheet `index` by a new empty worksheet from the template,
  // keeping its name, visibility and code name.
  void ClearSheet(int index);
  // Inserts `count` empty rows at `row` (columns at `col`) into worksheet
  // `index`, all 0-based (TWorkSheet::InsertRows). Refused with "Rows
  // cannot be inserted into a sheet that defined names or other sheets may
  // refer to" (or "Columns ...") while something of the workbook may refer
  // to the sheet's cells (TWorkbookGlobals::MayReferToSheet); a failure
  // changes nothing.
  void InsertRows(int index, int row, int count);
  void InsertCols(int index, int col, int count);
  bool IsWorksheet(int index) const;
  int SheetCount() const { return static_cast<int>(FSheets.Count()); }
  TWorkSheet* WorkSheet(int index) const;

  // WINDOW1's active tab. Setting it also makes that sheet the only
  // selected one.
  int ActiveSheet() const { return FGlobals.ActiveSheet(); }
  void SetActiveSheet(int value);

  TWorkbookGlobals& Globals() { return FGlobals; }
  const TWorkbookGlobals& Globals() const { return FGlobals; }
  const TSheetList& Sheets() const { return FSheets; }

 private:
  TWorkbookGlobals FGlobals;
  TSheetList FSheets;

  void CheckSheetIndex(int index) const;
  TWorkSheet& WorkSheetToChange(int index) const;
  std::unique_ptr<TSheet> CopySheet(int index);
  void GiveCodeNames();
  void OrderSheetsByPosition(const std::vector<uint64_t>& bofAt);
};

}  // namespace tessary
