#include "exchange/table_import.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "common/error.h"
#include "exchange/export_target.h"
#include "text/column_type.h"
#include "text/number_text.h"
#include "text/stored_value.h"
#include "text/utf16.h"
#include "xls/byte_stream.h"
#include "xls/compound_file.h"
#include "xls/records.h"
#include "xls/sheet_names.h"
#include "xls/workbook.h"
#include "xls/workbook_file.h"

namespace tessary {
namespace {

constexpr std::u16string_view kWorkbookStream = u"Workbook";

// How a cell's value becomes its text: the names and types rows and the
// string and resource columns keep texts; the other types read numbers.
enum class TCellKind { ckText, ckInt, ckFloat, ckBool };

TCellKind KindOf(TColumnType type) {
  switch (type) {
    case TColumnType::ctInt:
      return TCellKind::ckInt;
    case TColumnType::ctFloat:
      return TCellKind::ckFloat;
    case TColumnType::ctBool:
      return TCellKind::ckBool;
    case TColumnType::ctString:
    case TColumnType::ctResource:
      break;
  }
  return TCellKind::ckText;
}

TColumnType TypeOf(TCellKind kind) {
  switch (kind) {
    case TCellKind::ckInt:
      return TColumnType::ctInt;
    case TCellKind::ckFloat:
      return TColumnType::ctFloat;
    case TCellKind::ckBool:
      return TColumnType::ctBool;
    case TCellKind::ckText:
      break;
  }
  return TColumnType::ctString;
}

// Runs a step of an import: an Error, or running out of memory, becomes the
// failure's message.
template <class TStep>
TResult Guarded(const std::filesystem::path& fileName, TStep&& step) {
  try {
    step();
  } catch (const std::bad_alloc&) {
    return TResult::Failure(fileName.string() + ": Not enough memory");
  } catch (const std::exception& e) {
    return TResult::Failure(e.what());
  }
  return TResult::Success();
}

std::string ErrorName(uint8_t code) {
  const std::u16string name = ErrorCodeText(code);
  return name.empty() ? FormatMessage("#%u", static_cast<unsigned>(code)) : ToUtf8(name);
}

// Reads one worksheet's cells into a table.
class TSheetReader {
 public:
  TSheetReader(const TCells& cells, std::u16string_view sheetName)
      : FCells(cells), FSheet(ToUtf8(sheetName)) {}

  // Throws Error naming the sheet and the cell that cannot be read.
  void ReadTable(TCellTable& table) {
    const int rowsUsed = LastUsedRow(kMaxSheetCol + 1) + 1;
    if (rowsUsed < 2) {
      throw Error("Sheet " + FSheet +
                  " has fewer than two rows: a table needs a row of column names and a row of "
                  "column types.");
    }
    // The columns: up to the last one with a name or a type.
    int cols = 0;
    for (int row = 0; row < 2; ++row) {
      for (const TCell& cell : FCells.RowCells(row)) {
        if (!Text(cell, row, TCellKind::ckText).empty()) cols = std::max(cols, cell.Col + 1);
      }
    }
    if (cols == 0)
      throw Error("Sheet " + FSheet + " has no column names or types in its first two rows.");
    std::vector<TCellKind> kinds(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) {
      const TCell* cell = FCells.Cell(1, c);
      const std::u16string type = cell ? Text(*cell, 1, TCellKind::ckText) : std::u16string();
      const std::optional<TColumnType> columnType = ColumnTypeOf(type);
      if (!columnType) Fail(c, 1, std::string(1, '\'') + ToUtf8(type) + "' is not a column type");
      kinds[static_cast<size_t>(c)] = KindOf(*columnType);
    }
    const int rows = std::max(2, LastUsedRow(cols) + 1);
    table.SetColCount(cols);
    table.SetRowCount(rows);
    for (int r = 0; r < static_cast<int>(FCells.CellRowCount()); ++r) {
      for (const TCell& cell : FCells.RowCells(r)) {
        const int c = cell.Col;
        if (c >= cols) {
          if (HasValue(cell)) {
            Fail(c, r, "a value outside the table: its column has no name and no type");
          }
          continue;
        }
        std::u16string text =
            Text(cell, r, r < 2 ? TCellKind::ckText : kinds[static_cast<size_t>(c)]);
        if (!text.empty()) table.SetCells(c, r, std::move(text));
      }
    }
  }

 private:
  [[noreturn]] void Fail(int col, int row, const std::string& what) const {
    throw Error("Sheet " + FSheet + ", cell " + CellName(col, row) + ": " + what);
  }

  // The last row with a cell in columns 0 to cols - 1, or -1.
  int LastUsedRow(int cols) const {
    for (int r = static_cast<int>(FCells.CellRowCount()) - 1; r >= 0; --r) {
      const std::span<const TCell> cells = FCells.RowCells(r);
      if (!cells.empty() && cells.front().Col < cols) return r;
    }
    return -1;
  }

  bool HasValue(const TCell& cell) const {
    if (FCells.ErrorCode(cell)) return true;
    const TXlsValue value = FCells.Value(cell);
    if (const auto* text = std::get_if<std::u16string>(&value)) return !text->empty();
    return !std::holds_alternative<std::monostate>(value);
  }

  // The text of the cell in row `row` for a column of `kind`; refusals name
  // the cell.
  std::u16string Text(const TCell& cell, int row, TCellKind kind) const {
    const int col = cell.Col;
    if (std::optional<uint8_t> code = FCells.ErrorCode(cell)) {
      Fail(col, row, ErrorName(*code) + " is an error value");
    }
    TXlsValue value = FCells.Value(cell);
    if (FCells.IsFormula(cell)) {
      // A writer that does not compute formulas leaves the result empty.
      const auto* text = std::get_if<std::u16string>(&value);
      if (std::holds_alternative<std::monostate>(value) || (text && text->empty())) {
        throw Error("Sheet " + FSheet + ", cell " + CellName(col, row) +
                    " holds a formula without a stored value; open and save the workbook in a "
                    "spreadsheet first.");
      }
    }
    if (auto* text = std::get_if<std::u16string>(&value)) {
      if (text->find(u'\0') != std::u16string::npos) {
        Fail(col, row, "the text holds a NUL character, which a table cannot store");
      }
      if (kind != TCellKind::ckText && CannotBeStored(TypeOf(kind), *text))
        Fail(col, row, WhyCannotBeStored(TypeOf(kind), *text));
      if (kind == TCellKind::ckBool && !text->empty()) return BoolText(ParseBool(*text));
      return std::move(*text);
    }
    if (const bool* b = std::get_if<bool>(&value)) {
      if (kind == TCellKind::ckText) return *b ? u"TRUE" : u"FALSE";
      return *b ? u"1" : u"0";
    }
    double number = 0;
    if (const double* d = std::get_if<double>(&value)) {
      number = *d;
    } else if (const TXlsDate* date = std::get_if<TXlsDate>(&value)) {
      number = date->Serial;
    } else {
      return {};
    }
    switch (kind) {
      case TCellKind::ckText:
        return ShortestNumberText(number);
      case TCellKind::ckInt:
        if (std::trunc(number) != number) {
          Fail(col, row, ToUtf8(ShortestNumberText(number)) + " is not a whole number");
        }
        if (number < std::numeric_limits<int32_t>::min() ||
            number > std::numeric_limits<int32_t>::max()) {
          Fail(col, row,
               ToUtf8(ShortestNumberText(number)) +
                   " is outside the int range (-2147483648 to 2147483647)");
        }
        return FormatInteger(static_cast<int32_t>(number));
      case TCellKind::ckFloat: {
        const auto single = static_cast<float>(number);
        // Saving would store a value beyond the float range as 0.
        if (!std::isfinite(single)) {
          Fail(col, row,
               ToUtf8(ShortestNumberText(number)) +
                   " is outside the float range (-3.40282346638529E38 to 3.40282346638529E38)");
        }
        return FormatReal(single);
      }
      case TCellKind::ckBool:
        if (number != 0 && number != 1)
          Fail(col, row, ToUtf8(ShortestNumberText(number)) + " is not 0 or 1");
        return number == 1 ? u"1" : u"0";
    }
    return {};
  }

  // A bool column's text as saving reads it: 1 for a non-zero integer.
  static std::u16string BoolText(std::optional<bool> value) {
    return value.value_or(false) ? u"1" : u"0";
  }

  const TCells& FCells;
  std::string FSheet;
};

}  // namespace

std::u16string ShortestNumberText(double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? u"NAN" : value < 0 ? u"-INF" : u"INF";
  if (value == 0) return u"0";
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  (void)ec;
  const std::string_view sci(buf, static_cast<size_t>(end - buf));
  // d.ddde±x: the digits and the position of the decimal point.
  const size_t e = sci.find('e');
  const bool negative = sci[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i) {
    if (sci[i] != '.') digits += sci[i];
  }
  int exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;
  std::string out = negative ? "-" : "";
  if (k <= n && n <= 21) {
    out += digits + std::string(static_cast<size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out += digits.substr(0, static_cast<size_t>(n)) + "." + digits.substr(static_cast<size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<size_t>(-n), '0');
    out += digits;
  } else {
    out += digits.substr(0, 1);
    if (k > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += n - 1 < 0 ? "e-" : "e+";
    out += std::to_string(std::abs(n - 1));
  }
  return Ascii16(out);
}

std::u16string ImportedDocumentPath(std::u16string_view importedPath) {
  std::u16string path = ExportTargetPath(importedPath);
  return path.replace(path.size() - 4, 4, u".gda");
}

bool IsWorkbookFile(std::FILE* file) {
  std::array<uint8_t, cfb::kFileSignature.size()> head{};
  const bool match =
      std::fread(head.data(), 1, head.size(), file) == head.size() && head == cfb::kFileSignature;
  std::rewind(file);
  return match;
}

std::string CellName(int col, int row) {
  std::string letters;
  for (int c = col + 1; c > 0; c = (c - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  }
  return letters + std::to_string(row + 1);
}

// ---- workbook ----

TWorkbookImport::TWorkbookImport() = default;
TWorkbookImport::~TWorkbookImport() = default;

TResult TWorkbookImport::Open(const std::filesystem::path& fileName) {
  return Guarded(fileName, [&] {
    FFileName = fileName;
    TFileReadStream file(fileName);
    Load(file);
  });
}

TResult TWorkbookImport::Open(TByteStream& stream, const std::filesystem::path& fileName) {
  return Guarded(fileName, [&] {
    FFileName = fileName;
    Load(stream);
  });
}

void TWorkbookImport::Load(TByteStream& stream) {
  try {
    auto invalid = [&] { ThrowError("The file \"%s\" is invalid", FFileName.string().c_str()); };
    if (!TCompoundFile::IsCompoundFile(stream)) invalid();
    TCompoundFile container(stream);
    if (!container.FindDir(kWorkbookStream)) invalid();
    container.SelectStream(kWorkbookStream);
    FBook = std::make_unique<TWorkbook>();
    FNames.clear();
    FSheetIndex.clear();
    const std::vector<uint8_t> records = container.ReadAll();
    TRecordReader in(records);
    FBook->LoadFromStream(in);
  } catch (const Error& e) {
    throw NamingTheFile(e, FFileName);
  }
  for (int s = 0; s < FBook->SheetCount(); ++s) {
    if (!FBook->IsWorksheet(s)) continue;
    FNames.push_back(FBook->Globals().SheetName(static_cast<size_t>(s)));
    FSheetIndex.push_back(s);
  }
}

int TWorkbookImport::FindSheet(std::u16string_view name) const {
  const std::u16string wanted = UpperSheetName(TSheetNameList::MakeValidSheetName(name));
  for (size_t i = 0; i < FNames.size(); ++i) {
    if (UpperSheetName(FNames[i]) == wanted) return static_cast<int>(i);
  }
  return -1;
}

int TWorkbookImport::DefaultSheet() const {
  if (FNames.empty()) return -1;
  const std::u16string exported = ExportSheetName(ExportTargetPath(FromUtf8(FFileName.string())));
  return std::max(0, FindSheet(exported));
}

TResult TWorkbookImport::ReadSheet(int index, TCellTable& table) const {
  return Guarded(FFileName, [&] {
    const TWorkSheet* sheet = FBook->WorkSheet(FSheetIndex.at(static_cast<size_t>(index)));
    TSheetReader(sheet->Cells(), FNames[static_cast<size_t>(index)]).ReadTable(table);
  });
}

std::vector<std::u16string> TWorkbookImport::FirstRowTexts(int index) const {
  const TCells& cells = FBook->WorkSheet(FSheetIndex.at(static_cast<size_t>(index)))->Cells();
  std::vector<std::u16string> texts;
  if (cells.CellRowCount() == 0) return texts;
  for (const TCell& cell : cells.RowCells(0)) {
    if (cells.ErrorCode(cell)) continue;  // its text would be the error's name
    TXlsValue value = cells.Value(cell);
    if (auto* text = std::get_if<std::u16string>(&value); text && !text->empty()) {
      texts.push_back(std::move(*text));
    } else if (const double* number = std::get_if<double>(&value)) {
      texts.push_back(ShortestNumberText(*number));
    }
  }
  return texts;
}

TResult ImportTableFromWorkbook(const std::filesystem::path& fileName, const std::u16string* sheet,
                                TCellTable& table) {
  TWorkbookImport book;
  if (TResult opened = book.Open(fileName); !opened) return opened;
  const int index = sheet ? book.FindSheet(*sheet) : book.DefaultSheet();
  if (index < 0) {
    if (!sheet) return TResult::Failure("The file " + fileName.string() + " holds no worksheet.");
    return TResult::Failure("Sheet " + ToUtf8(*sheet) + " not found in " + fileName.string());
  }
  return book.ReadSheet(index, table);
}

}  // namespace tessary
