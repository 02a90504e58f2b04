#include "xls/sections.h"

#include "common/bytes.h"
#include "common/error.h"
#include "xls/byte_stream.h"
#include "xls/compound_file.h"
#include "xls/empty_sheet_template.h"
#include "xls/globals.h"
#include "xls/record_reader.h"

namespace tessary {

// String cells read from a file take their string from the table.
static void AttachLabelToSST(TBaseRecord& record, TStringTable& sst) {
  if (auto* label = dynamic_cast<TLabelSSTRecord*>(&record)) label->AttachToSST(sst);
}

// ---- TBaseSection ----

void TBaseSection::Clear() {
  FBOF.reset();
  FEOF.reset();
}

uint64_t TBaseSection::TotalSize() const {
  return (FBOF ? FBOF->TotalSize() : 0) + (FEOF ? FEOF->TotalSize() : 0);
}

void TBaseSection::CheckLoaded() const {
  if (!FBOF || !FEOF) throw Error("A section of the workbook is not loaded");
}

// ---- TChartSubstream ----

TChartSubstream::TChartSubstream(const TChartSubstream& other) : TBaseRecord(other) {
  other.FRecords.CopyTo(FRecords);
}

void TChartSubstream::Load(TRecordStream& stream, TRecordHeader& header,
                           std::unique_ptr<TBaseRecord> first) {
  FRecords.Add(std::move(first));
  for (;;) {
    const uint16_t id = header.Id;
    std::unique_ptr<TBaseRecord> record = ReadNextRecord(stream, header);
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
  OriginalDimensions = {};
  FWindow2 = nullptr;
  FPageHeader = FPageFooter = FPrintGridLines = nullptr;
  FLeftMargin = FRightMargin = FTopMargin = FBottomMargin = nullptr;
  FSetup = FPrinterDriverSettings = nullptr;
  FWSBool = nullptr;
  FHCenter = FVCenter = FZoom = nullptr;
  FGuts = nullptr;
  FPane = FAutoFilterInfo = FRefMode = nullptr;
}

uint64_t TSheet::TotalSize() const {
  return TBaseSection::TotalSize() + (FCodeName ? FCodeName->TotalSize() : 0);
}

bool TSheet::Selected() const { return FWindow2 != nullptr && FWindow2->Selected(); }

void TSheet::SetSelected(bool value) {
  if (FWindow2 != nullptr) FWindow2->SetSelected(value);
}

void TSheet::NoteReference(TBaseRecord* record) {
  switch (record->Id) {
    case xlsid::WINDOW2:
      if (auto* window2 = dynamic_cast<TWindow2Record*>(record)) FWindow2 = window2;
      break;
    case xlsid::SCL:
      FZoom = record;
      break;
    case xlsid::FOOTER:
      FPageFooter = record;
      break;
    case xlsid::HEADER:
      FPageHeader = record;
      break;
    case xlsid::PRINTGRIDLINES:
      FPrintGridLines = record;
      break;
    case xlsid::LEFTMARGIN:
      FLeftMargin = record;
      break;
    case xlsid::RIGHTMARGIN:
      FRightMargin = record;
      break;
    case xlsid::TOPMARGIN:
      FTopMargin = record;
      break;
    case xlsid::BOTTOMMARGIN:
      FBottomMargin = record;
      break;
    case xlsid::SETUP:
      FSetup = record;
      break;
    case xlsid::PLS:
      FPrinterDriverSettings = record;
      break;
    case xlsid::WSBOOL:
      if (auto* wsBool = dynamic_cast<TWsBoolRecord*>(record)) FWSBool = wsBool;
      break;
    case xlsid::HCENTER:
      FHCenter = record;
      break;
    case xlsid::VCENTER:
      FVCenter = record;
      break;
    case xlsid::PANE:
      FPane = record;
      break;
    case xlsid::GUTS:
      if (auto* guts = dynamic_cast<TGutsRecord*>(record)) FGuts = guts;
      break;
    case xlsid::REFMODE:
      FRefMode = record;
      break;
    case xlsid::AUTOFILTERINFO:
      FAutoFilterInfo = record;
      break;
    default:
      break;
  }
}

bool TSheet::FileCommon(std::unique_ptr<TBaseRecord>& record) {
  if (dynamic_cast<TIgnoreRecord*>(record.get()) != nullptr) {
    record.reset();
    return true;
  }
  switch (record->Id) {
    case xlsid::DIMENSIONS: {
      const std::vector<uint8_t>& d = record->Data;
      if (d.size() >= 12) {
        OriginalDimensions = {GetU32(d.data()), GetU32(d.data() + 4), GetU16(d.data() + 8),
                              GetU16(d.data() + 10)};
      }
      record.reset();
      return true;
    }
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
                                                      uint16_t lastId, TRecordStream& stream,
                                                      TRecordHeader& header) {
  auto* bof = dynamic_cast<TBOFRecord*>(record.get());
  if (bof == nullptr || bof->Kind() != kBofChart ||
      (lastId != xlsid::OBJ && lastId != xlsid::MSODRAWING)) {
    ThrowFileInvalid();
  }
  auto chart = std::make_unique<TChartSubstream>();
  chart->Load(stream, header, std::move(record));
  return chart;
}

// ---- TRangeList ----

void TRangeList::SaveToStream(TRecordStream& stream) const {
  FMergedCells.SaveToStream(stream);
  FCondFmts.SaveToStream(stream);
}

uint64_t TRangeList::TotalSize() const { return FMergedCells.TotalSize() + FCondFmts.TotalSize(); }

void TRangeList::Clear() {
  FMergedCells.Clear();
  FCondFmts.Clear();
}

// ---- TWorkSheet ----

TWorkSheet::TWorkSheet(TWorkbookGlobals* globals)
    : TSheet(globals), FCells(&FColumns, globals != nullptr ? &globals->FSST : nullptr) {}
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

uint64_t TWorkSheet::TotalSize(bool needsRecalc) const {
  return TSheet::TotalSize() + FMiscRecords1.TotalSize() + FMiscRecords2.TotalSize() +
         FHPageBreaks.TotalSize() + FVPageBreaks.TotalSize() + FDrawing.TotalSize() +
         FCells.TotalSize(needsRecalc) + FRanges.TotalSize() + FNotes.TotalSize() +
         FColumns.TotalSize() + FHLinks.TotalSize();
}

void TWorkSheet::LoadFromStream(TRecordStream& stream, TRecordHeader& header,
                                std::unique_ptr<TBOFRecord> first, TStringTable& sst) {
  Clear();
  FBOF = std::move(first);
  for (;;) {
    const uint16_t id = header.Id;
    FileRecord(ReadNextRecord(stream, header), stream, header, sst);
    FLastId = id;
    if (id == xlsid::EOFREC) break;
  }
  FLastFormula = nullptr;
  FCells.CompleteRows();
}

void TWorkSheet::FileRecord(std::unique_ptr<TBaseRecord> record, TRecordStream& stream,
                            TRecordHeader& header, TStringTable& sst) {
  const uint16_t id = record->Id;
  if (id == xlsid::WINDOW2) FMiscRecords = &FMiscRecords2;
  NoteReference(record.get());
  if (id == xlsid::FORMULA) FLastFormula = record.get();

  // Default column width and row height.
  if (auto* defColWidth = dynamic_cast<TDefColWidthRecord*>(record.get())) {
    const int32_t width = defColWidth->Value();
    if (!(FStandardWidthApplied && width == 8)) FDefColWidth = width * 293;
    FLastDefColWidth = width;
  } else if (auto* standardWidth = dynamic_cast<TStandardWidthRecord*>(record.get())) {
    if (FLastDefColWidth == -1 || FLastDefColWidth == 8) {
      FDefColWidth = standardWidth->Value();
      FStandardWidthApplied = true;
    }
  } else if (auto* defRowHeight = dynamic_cast<TDefRowHeightRecord*>(record.get())) {
    FDefRowHeight = defRowHeight->Height();
  }

  if (id == xlsid::LABELSST) AttachLabelToSST(*record, sst);

  if (FileCommon(record)) return;
  switch (id) {
    case xlsid::BOF:
      FDrawing.Add(ReadEmbeddedChart(std::move(record), FLastId, stream, header));
      return;
    case xlsid::MSODRAWING:
    case xlsid::OBJ:
    case xlsid::TXO:
      FDrawing.Add(std::move(record));
      return;
    case xlsid::NOTE:
      FNotes.Add(std::move(record));
      return;
    case xlsid::COLINFO:
      FColumns.AddRecord(std::move(record));
      return;
    case xlsid::FORMULA:
    case xlsid::BLANK:
    case xlsid::NUMBER:
    case xlsid::RK:
    case xlsid::LABELSST:
    case xlsid::BOOLERR:
    case xlsid::LABEL:
    case xlsid::RSTRING:
    case xlsid::ROW:
    case xlsid::MULRK:
    case xlsid::MULBLANK:
      // A later cell at the formula's place replaces it in the cell block,
      // so only a formula stays the last formula.
      if (id != xlsid::FORMULA) FLastFormula = nullptr;
      FCells.AddRecord(std::move(record));
      return;
    case xlsid::MERGEDCELLS:
      FRanges.FMergedCells.AddRecord(std::move(record));
      return;
    case xlsid::CONDFMT:
      FRanges.FCondFmts.Add(std::move(record));
      return;
    case xlsid::CF:
      // A CF belongs to the CONDFMT before it and is written with it.
      if (FLastId == xlsid::CONDFMT || FLastId == xlsid::CF) {
        FRanges.FCondFmts.Add(std::move(record));
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
  if (FGuts != nullptr && FGuts->RecalcNeeded) {
    FGuts->SetLevels(FCells.RowOutlineLevel(), FColumns.OutlineLevel());
  }
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
  TRecordStream& file = container;
  TRecordHeader header;
  ReadRecordHeader(file, header);
  // Skip the template's globals section.
  for (;;) {
    const uint16_t id = header.Id;
    ReadNextRecord(file, header);
    if (id == xlsid::EOFREC) break;
  }
  if (header.Id != xlsid::BOF) ThrowFileInvalid();
  auto sheet = std::make_unique<TWorkSheet>(&globals);
  std::unique_ptr<TBaseRecord> bof = ReadNextRecord(file, header);
  auto* typed = dynamic_cast<TBOFRecord*>(bof.get());
  if (typed == nullptr) ThrowFileInvalid();
  bof.release();
  sheet->LoadFromStream(file, header, std::unique_ptr<TBOFRecord>(typed), sst);
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
         FHLinks.Count() > 0 || FRanges.FCondFmts.Count() > 0 || FHPageBreaks.Count() > 0 ||
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
  FRanges.FMergedCells.CheckInsertRows(row, count);
  FCells.InsertRows(row, count);
  FRanges.FMergedCells.InsertRows(row, count);
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
  FRanges.FMergedCells.CheckInsertCols(col, count);
  FCells.InsertCols(col, count);
  FColumns.InsertCols(col, count);
  FRanges.FMergedCells.InsertCols(col, count);
}

// ---- TRawSheet ----

void TRawSheet::Clear() {
  TSheet::Clear();
  FRecords.Clear();
}

uint64_t TRawSheet::TotalSize() const { return TSheet::TotalSize() + FRecords.TotalSize(); }

void TRawSheet::LoadFromStream(TRecordStream& stream, TRecordHeader& header,
                               std::unique_ptr<TBOFRecord> first, TStringTable& sst) {
  Clear();
  FBOF = std::move(first);
  uint16_t lastId = 0;
  for (;;) {
    const uint16_t id = header.Id;
    std::unique_ptr<TBaseRecord> record = ReadNextRecord(stream, header);
    NoteReference(record.get());
    // String cells of macro sheets point into the shared string table too,
    // whose order changes when it is written.
    if (id == xlsid::LABELSST) AttachLabelToSST(*record, sst);
    if (!FileCommon(record)) {
      if (id == xlsid::BOF) record = ReadEmbeddedChart(std::move(record), lastId, stream, header);
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
