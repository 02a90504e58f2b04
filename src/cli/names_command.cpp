// tessary-cli names: the user dictionary of column names. The command-line
// tool writes the dictionary only through "names add"; "dump --user-names"
// reads it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>

#include "cli/commands.h"
#include "cli/many_tables.h"
#include "exchange/table_csv.h"
#include "exchange/table_import.h"
#include "gff/user_column_names.h"
#include "grid/clipboard_text.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary::cli {
namespace {

// The names in the first line of a text table as import reads it (UTF-8,
// tab-separated).
bool TextTableNames(std::string_view bytes, std::vector<std::u16string>& names, TStreams& io) {
  std::string_view utf8 = bytes;
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  const std::u16string text = FromUtf8(utf8);
  if (ToUtf8(text) != utf8) {
    io.Err << "Input is not valid UTF-8.\n";
    return false;
  }
  SplitPasteText(text, [&](TPasteField& f) {
    if (f.Line > 0 || f.Index >= TCellTable::kMaxCount) return false;
    if (f.Written) names.push_back(f.Value);
    return true;
  });
  return true;
}

// The column names `path` holds: the first row of each sheet of a workbook
// (a file that starts with the compound-file signature), the first line of
// a CSV file (*.csv) or of a text table ("-" for standard input). A table
// file stores only hashes, so it holds none. Appends them to `names`;
// false after a message.
bool ReadColumnNames(const std::string& path, std::vector<std::u16string>& names, TStreams& io) {
  if (path != "-") {
    uint64_t size = 0;
    TInputFile file(nullptr, std::fclose);
    if (const TResult opened = OpenInputFile(path, file, size); !opened) {
      ReportFailure(opened, io.Err);
      return false;
    }
    if (IsWorkbookFile(file.get())) {
      file.reset();
      TWorkbookImport book;
      if (const TResult opened = book.Open(path); !opened) {
        ReportFailure(opened, io.Err);
        return false;
      }
      for (int s = 0; s < static_cast<int>(book.SheetNames().size()); ++s) {
        for (std::u16string& name : book.FirstRowTexts(s)) names.push_back(std::move(name));
      }
      return true;
    }
  }
  std::string bytes;
  if (const TResult read = ReadInput(path, io.In, bytes); !read) {
    ReportFailure(read, io.Err);
    return false;
  }
  if (path != "-" && bytes.starts_with("GFF V4.0")) {
    TCellTable table;
    return LoadTable(table, path, io.Err) == kExitOk;
  }
  if (path != "-" && IsCsvName(path)) {
    std::vector<std::u16string> fields;
    if (const TResult read = CsvFirstRecord(bytes, fields); !read) {
      ReportFailure(read, io.Err);
      return false;
    }
    for (std::u16string& field : fields) {
      if (!field.empty()) names.push_back(std::move(field));
    }
    return true;
  }
  return TextTableNames(bytes, names, io);
}

bool IsNamesSource(const std::filesystem::path& file) {
  return HasExtension(file, ".xls") || HasExtension(file, ".csv") || HasExtension(file, ".txt") ||
         IsTableFileName(file);
}

}  // namespace

TResult UserColumnNamesFile(std::filesystem::path& file) {
  const std::optional<std::filesystem::path> found =
      UserColumnNamesLocation(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  if (!found) {
    return TResult::Failure(
        "No folder for the user dictionary of column names: neither XDG_DATA_HOME nor HOME is an "
        "absolute path.");
  }
  file = *found;
  return TResult::Success();
}

int RunNames(const std::vector<std::string>& args, TStreams& io) {
  const bool list = args.size() == 1 && args[0] == "list";
  const bool add = args.size() == 2 && args[0] == "add";
  if (!list && !add) {
    io.Err << HelpText();
    return kExitUsage;
  }
  std::filesystem::path file;
  if (const TResult found = UserColumnNamesFile(file); !found) return ReportFailure(found, io.Err);
  bool warned = false;
  const TMessageHandler warn = [&](const std::string& message) {
    io.Err << message << '\n';
    warned = true;
  };
  if (list) {
    const TUserColumnNames names = TUserColumnNames::Load(file, warn);
    for (const std::u16string& name : names.Names()) io.Out << ToUtf8(name) << '\n';
    return warned ? kExitFailed : kExitOk;
  }
  // A folder gives its files; names from the files that can be read are
  // added even when another cannot be.
  bool failed = false;
  std::vector<std::filesystem::path> sources = {args[1]};
  if (args[1] != "-") {
    sources = ExpandInputs({args[1]}, false, IsNamesSource, "a workbook, CSV, text or table file",
                           io, failed);
  }
  std::vector<std::u16string> names;
  for (const std::filesystem::path& source : sources) {
    if (!ReadColumnNames(source.native(), names, io)) failed = true;
  }
  TCellTable table;
  table.SetColCount(static_cast<int32_t>(
      std::clamp<size_t>(names.size(), 1, static_cast<size_t>(TCellTable::kMaxCount))));
  for (int32_t c = 0; c < table.ColCount() && static_cast<size_t>(c) < names.size(); ++c) {
    table.SetCells(c, 0, std::move(names[static_cast<size_t>(c)]));
  }
  const std::optional<std::vector<std::u16string>> added = AddUserColumnNames(file, table, warn);
  if (!added) return kExitFailed;
  for (const std::u16string& name : *added) io.Out << ToUtf8(name) << '\n';
  return failed ? kExitFailed : kExitOk;
}

}  // namespace tessary::cli
