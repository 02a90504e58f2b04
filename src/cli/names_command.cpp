// tessary-cli names: the user dictionary of column names. The command-line
// tool writes the dictionary only through "names add"; "dump --user-names"
// reads it.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>

#include "cli/commands.h"
#include "gff/user_column_names.h"
#include "grid/clipboard_text.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary::cli {
namespace {

// Row 0 of the table in `path`: a table file is loaded; any other file is
// read as import reads a text table (UTF-8, tab-separated), its first line
// being the column names. Table files store only hashes, so new names come
// from text tables.
int ReadColumnNames(const std::string& path, TCellTable& table, TStreams& io) {
  std::string bytes;
  if (const TResult read = ReadInput(path, io.In, bytes); !read) return ReportFailure(read, io.Err);
  if (path != "-" && bytes.starts_with("GFF V4.0")) return LoadTable(table, path, io.Err);
  std::string_view utf8 = bytes;
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  const std::u16string text = FromUtf8(utf8);
  if (ToUtf8(text) != utf8) {
    io.Err << "Input is not valid UTF-8.\n";
    return kExitFailed;
  }
  SplitPasteText(text, [&](TPasteField& f) {
    if (f.Line > 0 || f.Index >= TCellTable::kMaxCount) return false;
    if (!f.Written) return true;
    if (f.Index >= table.ColCount()) table.SetColCount(static_cast<int32_t>(f.Index + 1));
    table.SetCells(static_cast<int32_t>(f.Index), 0, f.Value);
    return true;
  });
  return kExitOk;
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
  TCellTable table;
  if (int code = ReadColumnNames(args[1], table, io)) return code;
  const std::optional<std::vector<std::u16string>> added = AddUserColumnNames(file, table, warn);
  if (!added) return kExitFailed;
  for (const std::u16string& name : *added) io.Out << ToUtf8(name) << '\n';
  return kExitOk;
}

}  // namespace tessary::cli
