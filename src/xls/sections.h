// Sections of the Workbook stream: each runs from a BOF to its EOF. The
// globals section is TWorkbookGlobals (globals.h); every sheet is a TSheet:
// a worksheet (TWorkSheet), a chart sheet, or another kind of sheet whose
// records are kept as read.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "xls/base_record.h"
#include "xls/cells.h"
#include "xls/record_reader.h"
#include "xls/records.h"
#include "xls/sst.h"

namespace tessary {

class TWorkbookGlobals;

// The workbook's shared string table.
using TStringTable = TSST;

class TBaseSection {
 public:
  TBaseSection() = default;
  TBaseSection(const TBaseSection&) = delete;
  TBaseSection& operator=(const TBaseSection&) = delete;
  virtual ~TBaseSection() = default;

  virtual void Clear();
  // The bytes SaveToStream writes.
  uint64_t TotalSize();
  // Reads the section's records after its BOF `first`, up to and including
  // its EOF; the header of the record after the EOF is then current.
  virtual void LoadFromStream(TRecordReader& in, std::unique_ptr<TBOFRecord> first,
                              TStringTable& sst) = 0;
  // Fails with "A section of the workbook is not loaded" without BOF or EOF.
  virtual void SaveToStream(TRecordStream& stream) = 0;

  std::unique_ptr<TBOFRecord> FBOF;
  std::unique_ptr<TBaseRecord> FEOF;

 protected:
  void CheckLoaded() const;
};

// A chart substream embedded in a sheet's drawing: a BOF of kind 0x0020, the
// chart's records, its EOF, all kept and written exactly as read.
class TChartSubstream : public TBaseRecord {
 public:
  TChartSubstream() : TBaseRecord(xlsid::BOF, {}) {}
  TChartSubstream(const TChartSubstream& other);
  TESSARY_RECORD_CLONE(TChartSubstream)
  void SaveToStream(TRecordStream& stream) const override { FRecords.SaveToStream(stream); }
  // Reads the records after `first` up to and including the matching EOF.
  void Load(TRecordReader& in, std::unique_ptr<TBaseRecord> first);

  TBaseRecordList FRecords;
};

// Base of every sheet section.
class TSheet : public TBaseSection {
 public:
  explicit TSheet(TWorkbookGlobals* globals) : FWorkbookGlobals(globals) {}

  void Clear() override;
  virtual bool IsWorksheet() const { return false; }

  // WINDOW2 bit 0x0200; setting also sets "shown in window" (0x0400).
  bool Selected() const;
  void SetSelected(bool value);

  TWorkbookGlobals* FWorkbookGlobals;
  std::unique_ptr<TBaseRecord> FCodeName;
  // The sheet's WINDOW2 and WSBOOL, in its own lists, or null.
  TWindow2Record* FWindow2 = nullptr;
  TWordRecord* FWSBool = nullptr;

 protected:
  // Notes the WINDOW2 and WSBOOL of the sheet.
  void NoteReference(TBaseRecord* record);
  // Records that every sheet files the same way; true when `record` was
  // taken (freed, or kept as EOF or CODENAME).
  bool FileCommon(std::unique_ptr<TBaseRecord>& record);
};

// The merged ranges and conditional formats of a worksheet.
class TRangeList {
 public:
  void SaveToStream(TRecordStream& stream) const;
  uint64_t TotalSize() const;
  void Clear();

  TMergedCells FMergedCells;
  // CONDFMT records, each followed by its CF records, in stream order.
  TBaseRecordList FCondFmts;
};

class TWorkSheet : public TSheet {
 public:
  explicit TWorkSheet(TWorkbookGlobals* globals);
  ~TWorkSheet() override;

  // A new worksheet read from the template's sheet.
  static std::unique_ptr<TWorkSheet> CreateFromData(TWorkbookGlobals& globals, TStringTable& sst);

  void Clear() override;
  bool IsWorksheet() const override { return true; }
  void LoadFromStream(TRecordReader& in, std::unique_ptr<TBOFRecord> first,
                      TStringTable& sst) override;
  void SaveToStream(TRecordStream& stream) override;

  // Sheet flags (WINDOW2 bit 0x0002; WSBOOL bits 0x0040 and 0x0080).
  bool ShowGridLines() const;
  void SetShowGridLines(bool value);
  bool OutlineSummaryRowsBelowDetail() const;
  void SetOutlineSummaryRowsBelowDetail(bool value);
  bool OutlineSummaryColsRightOfDetail() const;
  void SetOutlineSummaryColsRightOfDetail(bool value);

  // Inserts `count` empty rows at `row` (0-based): ROW records, cells and
  // merged ranges from there on move down, merged ranges across it grow. A
  // count of 0 or less inserts nothing. Refused with "Rows cannot be
  // inserted into a sheet that holds formulas, objects or other cell
  // references" when the sheet has a record whose cell references would not
  // follow (MayHoldCellReferences), and with "Invalid Row (%d)" when
  // anything would move beyond the sheet; a failure changes nothing.
  void InsertRows(int row, int count);
  // The same for `count` empty columns at `col`; column entries move too.
  void InsertCols(int col, int count);
  // True when the sheet holds records that refer to its cells other than
  // the cell block and its merged ranges: formulas, drawings and objects,
  // notes, hyperlinks, conditional formats, page breaks, or any record not
  // known to be free of cell references (data validation among them).
  bool MayHoldCellReferences() const;

  TBaseRecordList FMiscRecords1;
  TBaseRecordList FMiscRecords2;
  TBaseRecordList FHPageBreaks;
  TBaseRecordList FVPageBreaks;
  TBaseRecordList FDrawing;
  TCells FCells;
  TRangeList FRanges;
  TBaseRecordList FNotes;
  TColInfoList FColumns;
  TBaseRecordList FHLinks;
  int32_t FDefRowHeight = 255;
  int32_t FDefColWidth = 2930;

 private:
  void FileRecord(std::unique_ptr<TBaseRecord> record, TRecordReader& in);

  TBaseRecordList* FMiscRecords = &FMiscRecords1;
  TBaseRecord* FLastFormula = nullptr;
  uint16_t FLastId = 0;
  int32_t FLastDefColWidth = -1;
  bool FStandardWidthApplied = false;
};

// A chart sheet, or a sheet of any other kind (macro sheet, dialog sheet,
// module): its records in one list, kept as read.
class TRawSheet : public TSheet {
 public:
  using TSheet::TSheet;
  void Clear() override;
  void LoadFromStream(TRecordReader& in, std::unique_ptr<TBOFRecord> first,
                      TStringTable& sst) override;
  void SaveToStream(TRecordStream& stream) override;

  TBaseRecordList FRecords;
};

}  // namespace tessary
