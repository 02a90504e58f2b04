#include "exchange/table_csv.h"

#include <algorithm>
#include <functional>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/error.h"
#include "common/safe_file.h"
#include "exchange/export_target.h"
#include "text/column_type.h"
#include "text/stored_value.h"
#include "text/utf16.h"

namespace tessary {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A field is quoted when it holds a comma, a quote, a CR or a LF, or starts
// with U+FEFF, so that it is not taken for a byte order mark at the start
// of the file.
bool NeedsQuotes(std::u16string_view text) {
  return text.find_first_of(u",\"\r\n") != std::u16string_view::npos ||
         (!text.empty() && text[0] == u'\uFEFF');
}

// Appends a field's characters with its quotes doubled; an unpaired
// surrogate becomes U+FFFD, as UTF-8 cannot hold it.
void AppendEncoded(std::string& out, std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      if (c == u'"') out += '"';
      out += static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
}

void AppendField(std::string& out, std::u16string_view text) {
  // Most fields are ASCII and need no quotes: their units are the bytes.
  if (std::all_of(text.begin(), text.end(), [](char16_t c) {
        return c < 0x80 && c != u',' && c != u'"' && c != u'\r' && c != u'\n';
      })) {
    const size_t at = out.size();
    out.resize(at + text.size());
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
    return;
  }
  const bool quoted = NeedsQuotes(text);
  if (quoted) out += '"';
  AppendEncoded(out, text);
  if (quoted) out += '"';
}

// Bytes gathered before they go to the sink.
constexpr size_t kCsvChunk = 1 << 20;
// Texts at least this long are encoded once however many cells show them,
// while the encoded texts kept stay within kCsvKeptBytes.
constexpr size_t kCsvKeptLength = 64;
constexpr size_t kCsvKeptBytes = 16 << 20;

// Thrown when the sink refuses bytes.
struct TCsvSinkFailed {};

// Writes the table's CSV to a sink in chunks, so that memory stays bounded
// whatever the size of the output.
class TCsvWriter {
 public:
  explicit TCsvWriter(const std::function<bool(std::string_view)>& sink) : FSink(sink) {
    FChunk.reserve(kCsvChunk);
  }

  void Write(const TCellTable& table) {
    for (int32_t r = 0; r < table.RowCount(); ++r) {
      for (int32_t c = 0; c < table.ColCount(); ++c) {
        if (c > 0) FChunk += ',';
        Field(table.Cells(c, r));
      }
      FChunk += "\r\n";
      if (FChunk.size() >= kCsvChunk) Flush();
    }
    Flush();
  }

 private:
  // Cells showing one stored text (same address and length) share its
  // encoded form; a long text is encoded in pieces, so the chunk stays near
  // its size.
  void Field(std::u16string_view text) {
    if (text.size() < kCsvKeptLength) {
      AppendField(FChunk, text);
      return;
    }
    const auto key = std::make_pair(text.data(), text.size());
    if (const auto kept = FKept.find(key); kept != FKept.end()) {
      Put(kept->second);
      return;
    }
    if (text.size() * 3 + 2 <= kCsvKeptBytes - std::min(FKeptBytes, kCsvKeptBytes)) {
      std::string encoded;
      AppendField(encoded, text);
      FKeptBytes += encoded.size();
      Put(FKept.emplace(key, std::move(encoded)).first->second);
      return;
    }
    // Too long to keep: encoded piece by piece.
    const bool quoted = NeedsQuotes(text);
    if (quoted) FChunk += '"';
    constexpr size_t kPiece = 64 * 1024;
    std::string piece;
    for (size_t at = 0; at < text.size();) {
      size_t n = std::min(kPiece, text.size() - at);
      // A surrogate pair stays in one piece.
      if (at + n < text.size() && text[at + n - 1] >= 0xD800 && text[at + n - 1] <= 0xDBFF) ++n;
      piece.clear();
      AppendEncoded(piece, text.substr(at, n));
      Put(piece);
      at += n;
    }
    if (quoted) FChunk += '"';
  }

  void Put(std::string_view bytes) {
    if (FChunk.size() + bytes.size() > kCsvChunk) Flush();
    if (bytes.size() >= kCsvChunk) {
      Emit(bytes);
    } else {
      FChunk.append(bytes);
    }
  }
  void Flush() {
    if (FChunk.empty()) return;
    Emit(FChunk);
    FChunk.clear();
  }
  void Emit(std::string_view bytes) {
    if (!FSink(bytes)) throw TCsvSinkFailed{};
  }

  struct TKeyHash {
    size_t operator()(const std::pair<const char16_t*, size_t>& k) const noexcept {
      return std::hash<const void*>{}(k.first) ^ (k.second * 0x9E3779B97F4A7C15ull);
    }
  };

  const std::function<bool(std::string_view)>& FSink;
  std::string FChunk;
  std::unordered_map<std::pair<const char16_t*, size_t>, std::string, TKeyHash> FKept;
  size_t FKeptBytes = 0;
};

// Splits CSV bytes into records and fields, decoding UTF-8 as it goes.
class TCsvReader {
 public:
  explicit TCsvReader(std::string_view bytes) : FBytes(bytes) {
    if (FBytes.starts_with("\xEF\xBB\xBF")) FPos = 3;
  }

  bool AtEnd() const { return FPos >= FBytes.size(); }
  // The line on which the record last read started, from 1.
  int64_t RecordLine() const { return FRecordLine; }

  // Reads one record into `fields` (reusing its strings); returns the
  // number of fields.
  size_t ReadRecord(std::vector<std::u16string>& fields) {
    FRecordLine = FLine;
    size_t count = 0;
    while (true) {
      if (count == fields.size()) fields.emplace_back();
      std::u16string& field = fields[count++];
      field.clear();
      if (FPos < FBytes.size() && FBytes[FPos] == '"') ReadQuoted(field);
      // Unquoted text, or what follows a closing quote, up to the delimiter.
      const size_t start = FPos;
      while (FPos < FBytes.size()) {
        const char b = FBytes[FPos];
        if (b == ',' || b == '\r' || b == '\n') break;
        ++FPos;
      }
      Decode(start, FPos, field);
      if (FPos < FBytes.size() && FBytes[FPos] == ',') {
        ++FPos;
        continue;
      }
      SkipLineEnd();
      return count;
    }
  }

 private:
  void ReadQuoted(std::u16string& field) {
    ++FPos;
    while (true) {
      const size_t quote = FBytes.find('"', FPos);
      if (quote == std::string_view::npos) {
        throw Error(FormatMessage("Line %lld: a quoted field has no closing quote.",
                                  static_cast<long long>(FRecordLine)));
      }
      Decode(FPos, quote, field);
      CountLines(FPos, quote);
      FPos = quote + 1;
      if (FPos < FBytes.size() && FBytes[FPos] == '"') {
        field += u'"';
        ++FPos;
        continue;
      }
      return;
    }
  }

  void SkipLineEnd() {
    if (FPos >= FBytes.size()) return;
    if (FBytes[FPos] == '\r' && FPos + 1 < FBytes.size() && FBytes[FPos + 1] == '\n') ++FPos;
    ++FPos;
    ++FLine;
  }

  void CountLines(size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      if (FBytes[i] == '\n' || (FBytes[i] == '\r' && (i + 1 >= to || FBytes[i + 1] != '\n'))) {
        ++FLine;
      }
    }
  }

  [[noreturn]] static void Invalid(size_t offset) {
    throw Error(FormatMessage("Input is not valid UTF-8 (byte %zu).", offset));
  }

  // Appends bytes [from, to) as UTF-16; refuses ill-formed UTF-8 and NUL,
  // naming the first byte that is either.
  void Decode(size_t from, size_t to, std::u16string& out) const {
    const std::string_view bytes = FBytes.substr(from, to - from);
    const size_t bad = AppendWellFormedUtf8(bytes, out);
    const size_t nul = bytes.substr(0, bad).find('\0');
    if (nul != std::string_view::npos) {
      throw Error(FormatMessage("Input holds a NUL character (byte %zu).", from + nul));
    }
    if (bad != std::string_view::npos) Invalid(from + bad);
  }

  std::string_view FBytes;
  size_t FPos = 0;
  int64_t FLine = 1;
  int64_t FRecordLine = 1;
};

std::string FieldName(int64_t line, size_t field) {
  return FormatMessage("Line %lld, field %zu", static_cast<long long>(line), field + 1);
}

void ReadCsv(std::string_view bytes, TCellTable& table) {
  TCsvReader reader(bytes);
  std::vector<std::u16string> fields;
  // The names and types lines decide the columns.
  std::vector<std::u16string> head[2];
  int64_t typeLine = 0;
  for (auto& line : head) {
    if (reader.AtEnd()) {
      throw Error(
          "The file has fewer than two lines: a table needs a line of column names and a line "
          "of column types.");
    }
    line.resize(reader.ReadRecord(fields));
    std::move(fields.begin(), fields.begin() + static_cast<std::ptrdiff_t>(line.size()),
              line.begin());
    typeLine = reader.RecordLine();
  }
  size_t cols = 0;
  for (const auto& line : head) {
    for (size_t c = line.size(); c > cols; --c) {
      if (!line[c - 1].empty()) {
        cols = c;
        break;
      }
    }
  }
  if (cols == 0) throw Error("The first two lines hold no column names or types.");
  if (cols > static_cast<size_t>(TCellTable::kMaxCount)) {
    throw Error(FormatMessage("The file has %zu columns; a table holds at most %d.", cols,
                              TCellTable::kMaxCount));
  }
  head[1].resize(std::max(head[1].size(), cols));
  std::vector<TColumnType> types(cols);
  for (size_t c = 0; c < cols; ++c) {
    const std::optional<TColumnType> type = ColumnTypeOf(head[1][c]);
    if (!type) {
      throw Error(FieldName(typeLine, c) + ": '" + ToUtf8(head[1][c]) + "' is not a column type");
    }
    types[c] = *type;
  }
  table.SetColCount(static_cast<int32_t>(cols));
  int32_t row = 0;
  auto store = [&](std::vector<std::u16string>& line, size_t count, int64_t lineNo) {
    for (size_t c = 0; c < count; ++c) {
      if (line[c].empty()) continue;
      if (c >= cols) {
        throw Error(FieldName(lineNo, c) +
                    ": a value outside the table: its column has no name and no type");
      }
      // A data text saving would not keep is refused, not stored as 0.
      if (row >= 2 && CannotBeStored(types[c], line[c]))
        throw Error(FieldName(lineNo, c) + ": " + WhyCannotBeStored(types[c], line[c]));
      table.SetCells(static_cast<int32_t>(c), row, std::move(line[c]));
    }
    ++row;
  };
  store(head[0], head[0].size(), 1);
  store(head[1], head[1].size(), typeLine);
  while (!reader.AtEnd()) {
    if (row > TCellTable::kMaxIndex) {
      throw Error(
          FormatMessage("The file has more rows than a table holds (%d).", TCellTable::kMaxCount));
    }
    const size_t count = reader.ReadRecord(fields);
    store(fields, count, reader.RecordLine());
  }
  table.SetRowCount(row);
}

}  // namespace

std::u16string CsvExportTargetPath(std::u16string_view documentPath) {
  std::u16string target = ExportTargetPath(documentPath);
  return target.replace(target.size() - 4, 4, u".csv");
}

std::string TableToCsv(const TCellTable& table) {
  std::string out;
  WriteTableCsv(table, [&out](std::string_view bytes) {
    out.append(bytes);
    return true;
  });
  return out;
}

bool WriteTableCsv(const TCellTable& table, const std::function<bool(std::string_view)>& sink) {
  try {
    TCsvWriter(sink).Write(table);
  } catch (const TCsvSinkFailed&) {
    return false;
  }
  return true;
}

TResult WriteTableCsvFile(const TCellTable& table, const std::filesystem::path& target) {
  std::string reason;
  try {
    TSafeFileWriter file(target);
    const bool written = WriteTableCsv(
        table, [&file](std::string_view bytes) { return file.Write(bytes.data(), bytes.size()); });
    if (written && file.Commit()) return TResult::Success();
    reason = LastSystemErrorText();
  } catch (const std::bad_alloc&) {
    reason = "Not enough memory";
  } catch (const std::exception& e) {
    reason = e.what();
  }
  return TResult::Failure(std::string(kCsvExportErrorText) + "\n" + target.string() + ": " +
                          reason);
}

TResult CsvToTable(std::string_view bytes, TCellTable& table) {
  try {
    ReadCsv(bytes, table);
  } catch (const std::bad_alloc&) {
    return TResult::Failure("Not enough memory");
  } catch (const std::exception& e) {
    return TResult::Failure(e.what());
  }
  return TResult::Success();
}

TResult CsvFirstRecord(std::string_view bytes, std::vector<std::u16string>& fields) {
  try {
    TCsvReader reader(bytes);
    fields.resize(reader.AtEnd() ? 0 : reader.ReadRecord(fields));
  } catch (const std::exception& e) {
    return TResult::Failure(e.what());
  }
  return TResult::Success();
}

}  // namespace tessary
