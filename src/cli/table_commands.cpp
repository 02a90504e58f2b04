// dump, import and resave: the table file round trips of tessary-cli.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <iterator>
#include <memory>
#include <ostream>

#include "cli/commands.h"
#include "cli/many_tables.h"
#include "common/error.h"
#include "common/safe_file.h"
#include "gff/g2da_values.h"
#include "gff/user_column_names.h"
#include "grid/clipboard_text.h"
#include "table/cell_table.h"
#include "text/stored_value.h"
#include "text/utf16.h"

namespace tessary::cli {
namespace {

// Appends a cell as Copy quotes it: a text holding a CR or a LF loses its
// CRs and is put in double quotes. Unlike Copy nothing else is changed.
void AppendDumpCell(std::u16string& line, std::u16string_view stored) {
  if (std::none_of(stored.begin(), stored.end(),
                   [](char16_t c) { return c == u'\r' || c == u'\n'; })) {
    line += stored;
    return;
  }
  line += u'"';
  for (char16_t c : stored) {
    if (c != u'\r') line += c;
  }
  line += u'"';
}

// Lines and the widest line's fields, counted as Paste splits the text.
void MeasureText(std::u16string_view text, int64_t& lines, int64_t& widest) {
  lines = 0;
  widest = 1;
  SplitPasteText(text, [&](TPasteField& f) {
    lines = f.Line + 1;
    widest = std::max(widest, f.Index + 1);
    return true;
  });
}

}  // namespace

int RunDump(const std::vector<std::string>& args, TStreams& io) {
  bool userNames = false;
  bool escaped = false;
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    bool* flag = args[i] == "--user-names" ? &userNames
                 : args[i] == "--escaped"  ? &escaped
                                           : nullptr;
    if (!flag || *flag) {
      io.Err << HelpText();
      return kExitUsage;
    }
    *flag = true;
  }
  TCellTable table;
  if (int code = LoadTable(table, args.back(), io.Err)) return code;
  if (userNames) {
    // A dictionary that cannot be used is reported and the dump goes on.
    std::filesystem::path file;
    if (const TResult found = UserColumnNamesFile(file); !found) {
      ReportFailure(found, io.Err);
    } else {
      ApplyUserColumnNames(
          table, TUserColumnNames::Load(file, [&](const std::string& m) { io.Err << m << '\n'; }));
    }
  }
  std::u16string line;
  for (int32_t r = 0; r < table.RowCount(); ++r) {
    table.PrefetchRow(r + 1);
    line.clear();
    if (escaped) {
      // One line per row, for line-based tools such as git diff.
      std::string utf8;
      for (int32_t c = 0; c < table.ColCount(); ++c) {
        if (c > 0) utf8 += '\t';
        utf8 += EscapedText(table.Cells(c, r));
      }
      io.Out << utf8 << '\n';
      continue;
    }
    for (int32_t c = 0; c < table.ColCount(); ++c) {
      if (c > 0) line += u'\t';
      AppendDumpCell(line, table.Cells(c, r));
    }
    line += u"\r\n";
    io.Out << ToUtf8(line);
  }
  io.Out.flush();
  if (!io.Out) {
    io.Err << "Output cannot be written.\n";
    return kExitFailed;
  }
  return kExitOk;
}

int RunImport(const std::vector<std::string>& args, TStreams& io) {
  if (std::optional<int> code = RunImportOther(args, io)) return *code;
  std::string bytes;
  if (const TResult read = ReadInput(args[0], io.In, bytes); !read) {
    return ReportFailure(read, io.Err);
  }
  TCellTable table;
  if (const TResult made = TableFromText(bytes, table); !made) return ReportFailure(made, io.Err);
  return SaveTable(table, args[1], io.Err);
}

TResult TableFromText(std::string_view bytes, TCellTable& table) {
  std::string_view utf8 = bytes;
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  const size_t skipped = bytes.size() - utf8.size();
  if (size_t bad = FirstInvalidUtf8(utf8); bad != std::string_view::npos) {
    return TResult::Failure("Input is not valid UTF-8 (byte " + std::to_string(bad + skipped) +
                            ").");
  }
  // A cell text cannot hold a NUL: the table file would cut it there.
  if (size_t nul = utf8.find('\0'); nul != std::string_view::npos) {
    return TResult::Failure("Input holds a NUL character (byte " + std::to_string(nul + skipped) +
                            ").");
  }
  const std::u16string text = FromUtf8(utf8);
  int64_t lines = 0;
  int64_t widest = 1;
  MeasureText(text, lines, widest);
  // More lines or fields than a table holds: the cell table refuses the
  // extent with its own message, reported by Run.
  table.SetColCount(static_cast<int32_t>(std::min<int64_t>(widest, INT32_MAX)));
  table.SetRowCount(static_cast<int32_t>(std::clamp<int64_t>(lines, 1, INT32_MAX)));
  PasteText(table, text, 0, 0);
  // A data text saving would not keep is refused, not stored as 0; each
  // line of the text is a row.
  const TUnstorableCells found = FindUnstorableCells(table);
  if (found.Count > 0) {
    const TColumnType type = ColumnStorage(table.Cells(found.FirstCol, 1)).Type;
    const std::string why =
        FormatMessage("Line %d, field %d: ", found.FirstRow + 1, found.FirstCol + 1) +
        WhyCannotBeStored(type, table.Cells(found.FirstCol, found.FirstRow));
    table.Clear();  // a refused text leaves no table
    return TResult::Failure(why);
  }
  return TResult::Success();
}

int RunResave(const std::vector<std::string>& args, TStreams& io) {
  TCellTable table;
  if (int code = LoadTable(table, args[0], io.Err)) return code;
  return SaveTable(table, args[1], io.Err);
}

}  // namespace tessary::cli
