#include "xls/sections.h"

#include "common/bytes.h"
#include "common/error.h"
#include "xls/byte_stream.h"
#include "xls/compound_file.h"
#include "xls/empty_sheet_template.h"
#include "xls/globals.h"
#include "xls/record_reader.h"

namespace tessary {

// ---- TBaseSection ----

void TBaseSection::Clear() {
  FBOF.reset();
  FEOF.reset();
}

uint64_t TBaseSection::TotalSize() {
  return CountWritten([this](TRecordStream& s) { SaveToStream(s); });
}

void TBaseSection::CheckLoaded() const {
  if (!FBOF || !FEOF) throw Error("A section of the workbook is not loaded");
}

// ---- TChartSubstream ----

TChartSubstream::TChartSubstream(const TChartSubstream& other) : TBaseRecord(other) {
  other.FRecords.CopyTo(FRecords);
}

void TChartSubstream::Load(TRecordReader& in, std::unique_ptr<TBaseRecord> first) {
  FRecords.Add(std::move(first));
  for (;;) {
    const uint16_t id = in.Header.Id;
    std::unique_ptr<TBaseRecord> record = ReadNextRecord(in);
    // A chart holds no substream of its own; refusing one here also keeps
    // nesting from going any deeper.
    if (id == xlsid::BOF) ThrowFileInvalid();
    // Records the sections drop are kept here: the chart is written back
    // exactly as it was read.
    if (dynamic_cast<TIgnoreRecord*>(record.get()) != nullptr) record = PlainCopy(*record);
    FRecords.Add(std::move(record));
    if (id == xlsid::EOFREC) break;
  }
}

// ---- TSheet ----

void TSheet::Clear() {
  TBaseSection::Clear();
  FCodeName.reset();
  FWindow2 = nullptr;
  FWSBool = nullptr;
}

bool TSheet::Selected() const { return FWindow2 != nullptr && FWindow2->Selected(); }

void TSheet::SetSelected(bool value) {
  if (FWindow2 != nullptr) FWindow2->SetSelected(value);
}

void TSheet::NoteReference(TBaseRecord* record) {
  if (record->Id == xlsid::WINDOW2) FWindow2 = static_cast<TWindow2Record*>(record);
  if (record->Id == xlsid::WSBOOL) FWSBool = static_cast<TWordRecord*>(record);
}

bool TSheet::FileCommon(std::unique_ptr<TBaseRecord>& record) {
  if (dynamic_cast<TIgnoreRecord*>(record.get()) != nullptr) {
    record.reset();
    return true;
  }
  switch (record->Id) {
    case xlsid::DIMENSIONS:
      // The range is written anew from the cells.
      record.reset();
      return true;
    case xlsid::EOFREC:
      FEOF = std::move(record);
      return true;
    case xlsid::CODENAME:
      FCodeName = std::move(record);
      return true;
    default:
      return false;
  }
}

// Reads an embedded chart that starts with the BOF `record`, when that BOF
// may start one: a chart substream lies in a drawing, right after the OBJ or
// MSODRAWING that places it. Any other BOF inside a section is refused.
static std::unique_ptr<TBaseRecord> ReadEmbeddedChart(std::unique_ptr<TBaseRecord> record,
                                                      uint16_t lastId, TRecordReader& in) {
  auto* bof = dynamic_cast<TBOFRecord*>(record.get());
  if (bof == nullptr || bof->Kind() != kBofChart ||
      (lastId != xlsid::OBJ && lastId != xlsid::MSODRAWING)) {
    ThrowFileInvalid();
  }
  auto chart = std::make_unique<TChartSubstream>();
  chart->Load(in, std::move(record));
  return chart;
}

// ---- TRangeList ----

void TRangeList::SaveToStream(TRecordStream& stream) const {
  FMergedCells.SaveToStream(stream);
  FCondFmts.SaveToStream(stream);
}

uint64_t TRangeList::TotalSize() const {
  return CountWritten([this](TRecordStream& s) { SaveToStream(s); });
}

void TRangeList::Clear() {
  FMergedCells.Clear();
  FCondFmts.Clear();
}

// ---- TWorkSheet ----

TWorkSheet::TWorkSheet(TWorkbookGlobals* globals)
    : TSheet(globals), FCells(&FColumns, globals != nullptr ? &globals->SST() : nullptr) {}
TWorkSheet::~TWorkSheet() = default;

void TWorkSheet::Clear() {
  TSheet::Clear();
  FMiscRecords1.Clear();
  FMiscRecords2.Clear();
  FHPageBreaks.Clear();
  FVPageBreaks.Clear();
  FDrawing.Clear();
  FCells.Clear();
  FRanges.Clear();
  FNotes.Clear();
  FColumns.Clear();
  FHLinks.Clear();
  FDefRowHeight = 255;
  FDefColWidth = 2930;
  FMiscRecords = &FMiscRecords1;
  FLastFormula = nullptr;
  FLastId = 0;
  FLastDefColWidth = -1;
  FStandardWidthApplied = false;
}

void TWorkSheet::LoadFromStream(TRecordReader& in, std::unique_ptr<TBOFRecord> first,
                                TStringTable& sst) {
  Clear();
  FBOF = std::move(first);
  FCells.SetStringTable(&sst);
  for (;;) {
    const uint16_t id = in.Header.Id;
    if (TCells::IsPayloadType(id)) {
      // Cells and rows go into the cell block as values, without a record
      // object of their own. A later cell at the formula's place replaces
      // it, so only a formula stays the last formula.
      FCells.AddPayload(id, ReadPayloadRecord(in));
      FLastFormula = nullptr;
    } else if (id == xlsid::COLINFO) {
      FColumns.AddPayload(ReadPayloadRecord(in));
    } else {
      FileRecord(ReadNextRecord(in), in);
    }
    FLastId = id;
    if (id == xlsid::EOFREC) break;
  }
  FLastFormula = nullptr;
  FCells.CompleteRows();
}

void TWorkSheet::FileRecord(std::unique_ptr<TBaseRecord> record, TRecordReader& in) {
  const uint16_t id = record->Id;
  if (id == xlsid::WINDOW2) FMiscRecords = &FMiscRecords2;
  NoteReference(record.get());
  if (id == xlsid::FORMULA) FLastFormula = record.get();

  // Default column width and row height.
  if (id == xlsid::DEFCOLWIDTH) {
    const int32_t width = static_cast<TWordRecord&>(*record).Value();
    if (!(FStandardWidthApplied && width == 8)) FDefColWidth = width * 293;
    FLastDefColWidth = width;
  } else if (id == xlsid::STANDARDWIDTH) {
    if (FLastDefColWidth == -1 || FLastDefColWidth == 8) {
      FDefColWidth = static_cast<TWordRecord&>(*record).Value();
      FStandardWidthApplied = true;
    }
  } else if (id == xlsid::DEFAULTROWHEIGHT) {
    FDefRowHeight = static_cast<TDefRowHeightRecord&>(*record).Height();
  }

  if (FileCommon(record)) return;
  switch (id) {
    case xlsid::BOF:
      FDrawing.Add(ReadEmbeddedChart(std::move(record), FLastId, in));
      return;
    case xlsid::MSODRAWING:
    case xlsid::OBJ:
    case xlsid::TXO:
      FDrawing.Add(std::move(record));
      return;
    case xlsid::NOTE:
      FNotes.Add(std::move(record));
      return;
    case xlsid::FORMULA:
    case xlsid::LABEL:
    case xlsid::RSTRING:
      if (id != xlsid::FORMULA) FLastFormula = nullptr;
      FCells.AddRecord(std::move(record));
      return;
    case xlsid::MERGEDCELLS:
      FRanges.MergedCells().AddPayload(record->Data);
      return;
    case xlsid::CONDFMT:
      FRanges.CondFmts().Add(std::move(record));
      return;
    case xlsid::CF:
      // A CF belongs to the CONDFMT before it and is written with it.
      if (FLastId == xlsid::CONDFMT || FLastId == xlsid::CF) {
        FRanges.CondFmts().Add(std::move(record));
        return;
      }
      break;
    case xlsid::HLINK:
      FHLinks.Add(std::move(record));
      return;
    case xlsid::HORIZONTALPAGEBREAKS:
      FHPageBreaks.Add(std::move(record));
      return;
    case xlsid::VERTICALPAGEBREAKS:
      FVPageBreaks.Add(std::move(record));
      return;
    case xlsid::SHRFMLA:
    case xlsid::STRING:
    case xlsid::ARRAY: {
      if (FLastFormula == nullptr) ThrowFileInvalid();
      // The formula is already in the cell block, which measures it with
      // what is attached when asked.
      AttachToFormula(*FLastFormula, std::move(record));
      return;
    }
    default:
      break;
  }
  FMiscRecords->Add(std::move(record));
}

void TWorkSheet::SaveToStream(TRecordStream& stream) {
  CheckLoaded();
  FBOF->SaveToStream(stream);
  FMiscRecords1.SaveToStream(stream);
  FHPageBreaks.SaveToStream(stream);
  FVPageBreaks.SaveToStream(stream);
  FColumns.SaveToStream(stream);
  FCells.SaveToStream(stream);
  FDrawing.SaveToStream(stream);
  FNotes.SaveToStream(stream);
  FMiscRecords2.SaveToStream(stream);
  FRanges.SaveToStream(stream);
  FHLinks.SaveToStream(stream);
  if (FCodeName) FCodeName->SaveToStream(stream);
  FEOF->SaveToStream(stream);
}

std::unique_ptr<TWorkSheet> TWorkSheet::CreateFromData(TWorkbookGlobals& globals,
                                                       TStringTable& sst) {
  TMemoryByteStream bytes(EmptySheetTemplate());
  TCompoundFile container(bytes);
  container.SelectStream(u"Workbook");
  const std::vector<uint8_t> stream = container.ReadAll();
  TRecordReader in(stream);
  // Skip the template's globals section.
  for (;;) {
    const uint16_t id = in.Header.Id;
    ReadNextRecord(in);
    if (id == xlsid::EOFREC) break;
  }
  if (in.Header.Id != xlsid::BOF) ThrowFileInvalid();
  auto sheet = std::make_unique<TWorkSheet>(&globals);
  std::unique_ptr<TBaseRecord> bof = ReadNextRecord(in);
  auto* typed = dynamic_cast<TBOFRecord*>(bof.get());
  if (typed == nullptr) ThrowFileInvalid();
  bof.release();
  sheet->LoadFromStream(in, std::unique_ptr<TBOFRecord>(typed), sst);
  return sheet;
}

bool TWorkSheet::ShowGridLines() const {
  return FWindow2 != nullptr && (FWindow2->Options() & TWindow2Record::kShowGridLines) != 0;
}

void TWorkSheet::SetShowGridLines(bool value) {
  if (FWindow2 != nullptr) FWindow2->SetOption(TWindow2Record::kShowGridLines, value);
}

static constexpr uint16_t kSummaryRowsBelow = 0x0040;
static constexpr uint16_t kSummaryColsRight = 0x0080;

bool TWorkSheet::OutlineSummaryRowsBelowDetail() const {
  return FWSBool != nullptr && (FWSBool->Value() & kSummaryRowsBelow) != 0;
}

void TWorkSheet::SetOutlineSummaryRowsBelowDetail(bool value) {
  if (FWSBool == nullptr) return;
  const uint16_t v = FWSBool->Value();
  FWSBool->SetValue(value ? (v | kSummaryRowsBelow) : (v & ~kSummaryRowsBelow));
}

bool TWorkSheet::OutlineSummaryColsRightOfDetail() const {
  return FWSBool != nullptr && (FWSBool->Value() & kSummaryColsRight) != 0;
}

void TWorkSheet::SetOutlineSummaryColsRightOfDetail(bool value) {
  if (FWSBool == nullptr) return;
  const uint16_t v = FWSBool->Value();
  FWSBool->SetValue(value ? (v | kSummaryColsRight) : (v & ~kSummaryColsRight));
}

// ---- inserting rows and columns ----

// Worksheet records kept as read that refer to no cell: calculation, print
// and protection settings and the sheet's window. The window's selection
// and pane position are where the user looked, not content; they stay as
// they are.
static bool RefersToNoCell(const TBaseRecord& record) {
  switch (record.Id) {
    case xlsid::CALCMODE:
    case xlsid::CALCCOUNT:
    case xlsid::REFMODE:
    case xlsid::DELTA:
    case xlsid::ITERATION:
    case xlsid::PROTECT:
    case xlsid::PASSWORD:
    case xlsid::HEADER:
    case xlsid::FOOTER:
    case xlsid::LEFTMARGIN:
    case xlsid::RIGHTMARGIN:
    case xlsid::TOPMARGIN:
    case xlsid::BOTTOMMARGIN:
    case xlsid::PRINTHEADERS:
    case xlsid::PRINTGRIDLINES:
    case xlsid::PANE:
    case xlsid::SELECTION:
    case xlsid::PLS:
    case xlsid::DEFCOLWIDTH:
    case xlsid::UNCALCED:
    case xlsid::SAVERECALC:
    case xlsid::OBJPROTECT:
    case xlsid::GUTS:
    case xlsid::WSBOOL:
    case xlsid::GRIDSET:
    case xlsid::HCENTER:
    case xlsid::VCENTER:
    case xlsid::STANDARDWIDTH:
    case xlsid::SCL:
    case xlsid::SETUP:
    case xlsid::SCENPROTECT:
    case xlsid::DEFAULTROWHEIGHT:
    case xlsid::WINDOW2:
    case xlsid::SHEETEXT:
    case xlsid::FEATHDR:
    case xlsid::PLV:
    case xlsid::HEADERFOOTER:
      return true;
    case xlsid::PHONETIC:
      // Phonetic settings end with a list of ranges; only an empty one.
      return record.Data.size() >= 6 && GetU16(record.Data.data() + 4) == 0;
    default:
      return false;
  }
}

static bool AllReferToNoCell(const TBaseRecordList& records) {
  for (size_t i = 0; i < records.Count(); ++i) {
    if (!RefersToNoCell(*records[i])) return false;
  }
  return true;
}

bool TWorkSheet::MayHoldCellReferences() const {
  return FCells.HasFormulas() || FDrawing.Count() > 0 || FNotes.Count() > 0 ||
         FHLinks.Count() > 0 || FRanges.CondFmts().Count() > 0 || FHPageBreaks.Count() > 0 ||
         FVPageBreaks.Count() > 0 || !AllReferToNoCell(FMiscRecords1) ||
         !AllReferToNoCell(FMiscRecords2);
}

void TWorkSheet::InsertRows(int row, int count) {
  if (count <= 0) return;
  if (MayHoldCellReferences()) {
    throw Error(
        "Rows cannot be inserted into a sheet that holds formulas, objects or other cell "
        "references");
  }
  // Every part is checked before the first one changes.
  FCells.CheckInsertRows(row, count);
  FRanges.MergedCells().CheckInsertRows(row, count);
  FCells.InsertRows(row, count);
  FRanges.MergedCells().InsertRows(row, count);
}

void TWorkSheet::InsertCols(int col, int count) {
  if (count <= 0) return;
  if (MayHoldCellReferences()) {
    throw Error(
        "Columns cannot be inserted into a sheet that holds formulas, objects or other "
        "cell references");
  }
  // Every part is checked before the first one changes.
  FCells.CheckInsertCols(col, count);
  FColumns.CheckInsertCols(col, count);
  FRanges.MergedCells().CheckInsertCols(col, count);
  FCells.InsertCols(col, count);
  FColumns.InsertCols(col, count);
  FRanges.MergedCells().InsertCols(col, count);
}

// ---- TRawSheet ----

void TRawSheet::Clear() {
  TSheet::Clear();
  FRecords.Clear();
}

void TRawSheet::LoadFromStream(TRecordReader& in, std::unique_ptr<TBOFRecord> first,
                               TStringTable& sst) {
  Clear();
  FBOF = std::move(first);
  uint16_t lastId = 0;
  for (;;) {
    const uint16_t id = in.Header.Id;
    std::unique_ptr<TBaseRecord> record = ReadNextRecord(in);
    NoteReference(record.get());
    // String cells of macro sheets point into the shared string table too,
    // whose order changes when it is written.
    if (id == xlsid::LABELSST) static_cast<TLabelSSTRecord&>(*record).AttachToSST(sst);
    if (!FileCommon(record)) {
      if (id == xlsid::BOF) record = ReadEmbeddedChart(std::move(record), lastId, in);
      FRecords.Add(std::move(record));
    }
    lastId = id;
    if (id == xlsid::EOFREC) break;
  }
}

void TRawSheet::SaveToStream(TRecordStream& stream) {
  CheckLoaded();
  FBOF->SaveToStream(stream);
  FRecords.SaveToStream(stream);
  if (FCodeName) FCodeName->SaveToStream(stream);
  FEOF->SaveToStream(stream);
}

}  // namespace tessary
