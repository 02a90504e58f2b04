#include "xls/workbook_file.h"

#include <algorithm>
#include <system_error>

#include "common/error.h"
#include "xls/cell_text_value.h"
#include "xls/compound_file.h"
#include "xls/empty_sheet_template.h"
#include "xls/sheet_names.h"

namespace tessary {

namespace {

constexpr std::u16string_view kWorkbookStream = u"Workbook";

uint16_t Clamp16(int value) { return static_cast<uint16_t>(std::clamp(value, 0, 0xFFFF)); }

}  // namespace

Error NamingTheFile(const std::exception& failure, const std::filesystem::path& fileName) {
  const std::string path = fileName.string();
  const std::string what = failure.what();
  const std::string unnamed = FormatMessage("The file \"%s\" is invalid", "");
  if (what == unnamed) return Error(FormatMessage("The file \"%s\" is invalid", path.c_str()));
  if (what.find(path) != std::string::npos) return Error(what);
  return Error(path + ": " + what);
}

TWorkbookFile::TWorkbookFile(TRegionalSettings regional) : Regional(std::move(regional)) {}
TWorkbookFile::~TWorkbookFile() = default;

void TWorkbookFile::Connect() {
  FWorkbook = std::make_unique<TWorkbook>();
  FOtherStreams.clear();
  FActiveSheet = 1;
  IsFileModified = false;
}

void TWorkbookFile::Disconnect() {
  FWorkbook.reset();
  FOtherStreams.clear();
}

TWorkbook& TWorkbookFile::Workbook() const {
  if (!FWorkbook) throw Error("The workbook is not connected");
  return *FWorkbook;
}

// ---- loading ----

void TWorkbookFile::LoadFromStream(TByteStream& stream) {
  TWorkbook& book = Workbook();
  TCompoundFile container(stream);
  container.SelectStream(kWorkbookStream);
  {
    const std::vector<uint8_t> records = container.ReadAll();
    TRecordReader in(records);
    book.LoadFromStream(in);
  }

  // The file as loaded, with an empty Workbook stream: every save copies
  // its other streams and directory from here.
  TMemoryByteStream image;
  container.PrepareForWrite(image, kWorkbookStream);
  container.Close();
  FOtherStreams = std::move(image.Bytes);
  FActiveSheet = book.ActiveSheet() + 1;
  if (FActiveSheet > book.SheetCount()) FActiveSheet = 1;
  IsFileModified = false;
}

void TWorkbookFile::LoadFromBytes(std::span<const uint8_t> bytes) {
  TMemoryByteStream stream(bytes);
  LoadFromStream(stream);
}

void TWorkbookFile::NewFile(int sheetCount) {
  LoadFromBytes(EmptySheetTemplate());
  if (sheetCount > SheetCount()) {
    Workbook().InsertSheets(-1, SheetCount(), sheetCount - SheetCount());
  }
}

void TWorkbookFile::OpenFile(const std::filesystem::path& fileName) {
  try {
    TFileReadStream file(fileName);
    if (!TCompoundFile::IsCompoundFile(file)) {
      ThrowError("The file \"%s\" is invalid", fileName.string().c_str());
    }
    LoadFromStream(file);
  } catch (const Error& e) {
    throw NamingTheFile(e, fileName);
  }
}

// ---- sheets ----

int TWorkbookFile::SheetCount() const { return Workbook().SheetCount(); }

void TWorkbookFile::CheckSheet(int sheet) const {
  if (sheet < 1 || sheet > SheetCount()) ThrowSheetNumberInvalid(sheet, 1, SheetCount());
}

void TWorkbookFile::SetActiveSheet(int sheet) {
  CheckSheet(sheet);
  FActiveSheet = sheet;
}

std::u16string TWorkbookFile::SheetName(int sheet) const {
  CheckSheet(sheet);
  return Workbook().Globals().SheetName(static_cast<size_t>(sheet - 1));
}

std::u16string TWorkbookFile::ActiveSheetName() const { return SheetName(FActiveSheet); }

void TWorkbookFile::SetActiveSheetName(std::u16string_view name) {
  CheckSheet(FActiveSheet);
  Workbook().Globals().RenameSheet(static_cast<size_t>(FActiveSheet - 1), name);
}

void TWorkbookFile::InsertAndCopySheets(int copyFrom, int insertBefore, int sheetCount) {
  if (insertBefore < 1 || insertBefore > SheetCount() + 1) {
    ThrowSheetNumberInvalid(insertBefore, 1, SheetCount() + 1);
  }
  if (copyFrom >= 1) CheckSheet(copyFrom);
  Workbook().InsertSheets(copyFrom >= 1 ? copyFrom - 1 : -1, insertBefore - 1, sheetCount);
  if (sheetCount > 0) IsFileModified = true;
}

void TWorkbookFile::DeleteSheets(int sheetPos, int sheetCount) {
  if (sheetCount <= 0) return;
  CheckSheet(sheetPos);
  CheckSheet(sheetPos + sheetCount - 1);
  Workbook().DeleteSheets(sheetPos - 1, sheetCount);
  if (FActiveSheet > SheetCount()) FActiveSheet = std::max(1, SheetCount());
  IsFileModified = true;
}

void TWorkbookFile::ClearSheet() {
  CheckSheet(FActiveSheet);
  Workbook().ClearSheet(FActiveSheet - 1);
}

void TWorkbookFile::SelectSheet(int sheetNo) {
  CheckSheet(sheetNo);
  Workbook().SetActiveSheet(sheetNo - 1);
}

TWorkSheet& TWorkbookFile::ActiveWorkSheet() const {
  CheckSheet(FActiveSheet);
  TWorkSheet* sheet = Workbook().WorkSheet(FActiveSheet - 1);
  if (sheet == nullptr) throw Error("The active sheet is not a worksheet");
  return *sheet;
}

// ---- sheet flags ----

bool TWorkbookFile::ShowGridLines() const { return ActiveWorkSheet().ShowGridLines(); }
void TWorkbookFile::SetShowGridLines(bool value) { ActiveWorkSheet().SetShowGridLines(value); }

bool TWorkbookFile::OutlineSummaryRowsBelowDetail() const {
  return ActiveWorkSheet().OutlineSummaryRowsBelowDetail();
}
void TWorkbookFile::SetOutlineSummaryRowsBelowDetail(bool value) {
  ActiveWorkSheet().SetOutlineSummaryRowsBelowDetail(value);
}

bool TWorkbookFile::OutlineSummaryColsRightOfDetail() const {
  return ActiveWorkSheet().OutlineSummaryColsRightOfDetail();
}
void TWorkbookFile::SetOutlineSummaryColsRightOfDetail(bool value) {
  ActiveWorkSheet().SetOutlineSummaryColsRightOfDetail(value);
}

// ---- sizes and merged ranges ----

void TWorkbookFile::SetColWidth(int col, int width) {
  if (col < 1 || col > kMaxSheetCol + 1) ThrowError("Invalid Column (%d)", col - 1);
  ActiveWorkSheet().Columns().SetColWidth(col - 1, Clamp16(width));
}

void TWorkbookFile::SetRowHeight(int row, int height) {
  if (row < 1 || row > kMaxSheetRow + 1) ThrowError("Invalid Row (%d)", row - 1);
  // A ROW record holds 15 bits of height: a taller row gets the most it can.
  ActiveWorkSheet().Cells().SetRowHeight(row - 1,
                                         static_cast<uint16_t>(std::clamp(height, 0, 0x7FFF)));
}

void TWorkbookFile::SetColHidden(int col, bool hidden) {
  if (col < 1 || col > kMaxSheetCol + 1) ThrowError("Invalid Column (%d)", col - 1);
  TWorkSheet& sheet = ActiveWorkSheet();
  sheet.Columns().SetColHidden(col - 1, hidden, Clamp16(sheet.DefColWidth()));
}

void TWorkbookFile::SetRowHidden(int row, bool hidden) {
  if (row < 1 || row > kMaxSheetRow + 1) ThrowError("Invalid Row (%d)", row - 1);
  ActiveWorkSheet().Cells().SetRowHidden(row - 1, hidden);
}

void TWorkbookFile::MergeCells(int firstRow, int firstCol, int lastRow, int lastCol) {
  for (int row : {firstRow, lastRow}) {
    if (row < 1 || row > kMaxSheetRow + 1) ThrowError("Invalid Row (%d)", row - 1);
  }
  for (int col : {firstCol, lastCol}) {
    if (col < 1 || col > kMaxSheetCol + 1) ThrowError("Invalid Column (%d)", col - 1);
  }
  ActiveWorkSheet().Ranges().MergedCells().MergeCells(firstRow - 1, firstCol - 1, lastRow - 1,
                                                      lastCol - 1);
}

void TWorkbookFile::InsertRows(int row, int count) {
  if (count <= 0) return;
  if (row < 1 || row > kMaxSheetRow + 1) ThrowError("Invalid Row (%d)", row - 1);
  ActiveWorkSheet();  // fails for a sheet that is not a worksheet
  Workbook().InsertRows(FActiveSheet - 1, row - 1, count);
  IsFileModified = true;
}

void TWorkbookFile::InsertCols(int col, int count) {
  if (count <= 0) return;
  if (col < 1 || col > kMaxSheetCol + 1) ThrowError("Invalid Column (%d)", col - 1);
  ActiveWorkSheet();  // fails for a sheet that is not a worksheet
  Workbook().InsertCols(FActiveSheet - 1, col - 1, count);
  IsFileModified = true;
}

// ---- formats ----

TFormatLists TWorkbookFile::Formats() const {
  TWorkbookGlobals& globals = Workbook().Globals();
  return TFormatLists(globals.XF(), globals.Fonts(), globals.Formats(), Regional);
}

int TWorkbookFile::CellFormat(int row, int col) const {
  if (row < 1 || row > kMaxSheetRow + 1 || col < 1 || col > kMaxSheetCol + 1) return -1;
  return ActiveWorkSheet().Cells().CellXF(row - 1, col - 1);
}

int TWorkbookFile::RowFormat(int row) const {
  if (row < 1 || row > kMaxSheetRow + 1) return -1;
  return ActiveWorkSheet().Cells().RowXF(row - 1);
}

int TWorkbookFile::ColFormat(int col) const {
  if (col < 1 || col > kMaxSheetCol + 1) return -1;
  return ActiveWorkSheet().Columns().ColumnXF(col - 1);
}

TCellFormat TWorkbookFile::GetFormat(int xf) const { return Formats().GetFormat(xf); }

int TWorkbookFile::AddFormat(const TCellFormat& format) { return Formats().AddFormat(format); }

// ---- cells ----

TXlsCellValue TWorkbookFile::GetCellValue(int row, int col) const {
  if (row < 1 || row > kMaxSheetRow + 1) ThrowError("Invalid Row (%d)", row - 1);
  if (col < 1 || col > kMaxSheetCol + 1) ThrowError("Invalid Column (%d)", col - 1);
  return ActiveWorkSheet().Cells().GetValue(row - 1, col - 1);
}

void TWorkbookFile::SetCellValue(int row, int col, const TXlsCellValue& value) {
  TWorkSheet& sheet = ActiveWorkSheet();
  sheet.Cells().SetValueX2(row - 1, col - 1, value, Workbook().Globals().Is1904());
}

void TWorkbookFile::RepeatCellValue(int fromRow, int fromCol, int row, int col, int xf) {
  ActiveWorkSheet().Cells().CopyValue(fromRow - 1, fromCol - 1, row - 1, col - 1, xf);
}

uint64_t TWorkbookFile::StringBytesHashed() const {
  return Workbook().Globals().SST().BytesHashed();
}

void TWorkbookFile::SetCellString(int row, int col, std::u16string_view text, TCellFormat* format,
                                  std::u16string_view dateFormat, std::u16string_view timeFormat) {
  TCellFormat own = format != nullptr ? *format : GetFormat(kDefaultCellXF);
  TCellFormat& fm = format != nullptr ? *format : own;
  const TCellTextValue typed = ConvertCellText(text, Regional, dateFormat, timeFormat);
  TXlsCellValue value;
  switch (typed.Kind) {
    case TCellTextValue::TValueKind::vkNumber:
      if (typed.Format) fm.Format = *typed.Format;
      value.Value = typed.Number;
      value.XF = AddFormat(fm);
      break;
    case TCellTextValue::TValueKind::vkBoolean:
      value.Value = typed.Boolean;
      value.XF = AddFormat(fm);
      break;
    case TCellTextValue::TValueKind::vkDateTime: {
      // The date format goes to a copy; the caller's format stays.
      TCellFormat dated = fm;
      if (typed.Format) dated.Format = *typed.Format;
      value.Value = TXlsDate{typed.Number};
      value.XF = AddFormat(dated);
      break;
    }
    case TCellTextValue::TValueKind::vkString:
      value.Value = std::u16string(text);
      value.XF = AddFormat(fm);
      break;
  }
  SetCellValue(row, col, value);
}

// ---- saving ----

void TWorkbookFile::SaveToStream(TByteStream& stream) {
  TWorkbook& book = Workbook();
  if (FOtherStreams.empty()) throw Error("A section of the workbook is not loaded");
  TMemoryByteStream image(FOtherStreams);
  TCompoundFile container(image);
  container.PrepareForWrite(stream, kWorkbookStream);
  TRecordBuffer out(container);
  book.SaveToStream(out);
  out.Flush();
  container.Close();
}

std::vector<uint8_t> TWorkbookFile::SaveToBytes() {
  TMemoryByteStream out;
  SaveToStream(out);
  return std::move(out.Bytes);
}

void TWorkbookFile::Save(const std::filesystem::path& fileName) {
  std::error_code ec;
  if (!AllowOverwritingFiles && std::filesystem::exists(fileName, ec)) {
    ThrowError("Can't write to file \"%s\". Check it is not in use by another user",
               fileName.string().c_str());
  }
  // Written beside the target and moved into its place only when complete:
  // a failure leaves no partial file and the target untouched.
  TFileWriteStream out(fileName);
  SaveToStream(out);
  out.Commit();
}

}  // namespace tessary
