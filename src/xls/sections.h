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

  // The section's BOF; null before it is loaded.
  const TBOFRecord* BOF() const { return FBOF.get(); }

 protected:
  void CheckLoaded() const;

  std::unique_ptr<TBOFRecord> FBOF;
  std::unique_ptr<TBaseRecord> FEOF;
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

 private:
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

  // The sheet's CODENAME record, or null.
  std::unique_ptr<TBaseRecord>& CodeName() { return FCodeName; }
  const std::unique_ptr<TBaseRecord>& CodeName() const { return FCodeName; }

 protected:
  // Notes the WINDOW2 and WSBOOL of the sheet.
  void NoteReference(TBaseRecord* record);
  // Records that every sheet files the same way; true when `record` was
  // taken (freed, or kept as EOF or CODENAME).
  bool FileCommon(std::unique_ptr<TBaseRecord>& record);

  TWorkbookGlobals* FWorkbookGlobals;
  std::unique_ptr<TBaseRecord> FCodeName;
  // The sheet's WINDOW2 and WSBOOL, in its own lists, or null.
  TWindow2Record* FWindow2 = nullptr;
  TWordRecord* FWSBool = nullptr;
};

// The merged ranges and conditional formats of a worksheet.
class TRangeList {
 public:
  void SaveToStream(TRecordStream& stream) const;
  uint64_t TotalSize() const;
  void Clear();

  TMergedCells& MergedCells() { return FMergedCells; }
  const TMergedCells& MergedCells() const { return FMergedCells; }
  // CONDFMT records, each followed by its CF records, in stream order.
  TBaseRecordList& CondFmts() { return FCondFmts; }
  const TBaseRecordList& CondFmts() const { return FCondFmts; }

 private:
  TMergedCells FMergedCells;
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

  TCells& Cells() { return FCells; }
  const TCells& Cells() const { return FCells; }
  TColInfoList& Columns() { return FColumns; }
  const TColInfoList& Columns() const { return FColumns; }
  TRangeList& Ranges() { return FRanges; }
  const TRangeList& Ranges() const { return FRanges; }
  // The records kept as read before and after WINDOW2, and the drawing.
  const TBaseRecordList& MiscRecords1() const { return FMiscRecords1; }
  const TBaseRecordList& MiscRecords2() const { return FMiscRecords2; }
  const TBaseRecordList& Drawing() const { return FDrawing; }
  // Default row height in twips and column width in 1/256 of a character.
  int32_t DefRowHeight() const { return FDefRowHeight; }
  int32_t DefColWidth() const { return FDefColWidth; }

 private:
  void FileRecord(std::unique_ptr<TBaseRecord> record, TRecordReader& in);

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

 private:
  TBaseRecordList FRecords;
};

}  // namespace tessary
