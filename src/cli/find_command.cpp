// tessary-cli find: the cells of table files that hold a text, one line a
// cell, "FILE:ROW:COLUMN: TEXT", ROW the data row number and, where the
// table has IDs, the row's ID in brackets. Exit codes as grep's.
#include <ostream>

#include "batch/find_in_files.h"
#include "cli/many_tables.h"
#include "gff/column_names.h"
#include "table/cell_table.h"
#include "text/stored_value.h"
#include "text/utf16.h"

namespace tessary::cli {

constexpr int kExitNothingFound = 1;

int RunFind(const std::vector<std::string>& args, TStreams& io) {
  const std::optional<TOptions> options =
      ParseOptions(args, {"--case", "--whole", "-r"}, {"--column"});
  if (!options || options->Operands.size() < 2 || options->Operands[0].empty()) {
    io.Err << HelpText();
    return kExitUsage;
  }
  const std::string& text = options->Operands[0];
  const std::string* column = options->Value("--column");
  for (const std::string* utf8 : {&text, column}) {
    if (utf8 && FirstInvalidUtf8(*utf8) != std::string::npos) {
      io.Err << "The text to find is not valid UTF-8: " << *utf8 << '\n';
      return kExitUsage;
    }
  }
  const TTextMatcher matcher(
      TFindOptions{FromUtf8(text), options->Has("--case"), options->Has("--whole")});
  const std::optional<uint32_t> columnHash =
      column ? std::optional<uint32_t>(NameToHash(FromUtf8(*column))) : std::nullopt;
  bool trouble = false;
  const std::vector<std::filesystem::path> files =
      ExpandInputs({options->Operands.begin() + 1, options->Operands.end()}, options->Has("-r"),
                   IsTableFileName, "a table file", io, trouble);
  bool found = false;
  std::string line;
  for (const std::filesystem::path& file : files) {
    TCellTable table;
    if (const TResult loaded = LoadTableQuietly(table, file); !loaded) {
      io.Err << InputFailureText(file, loaded.Message) << '\n';
      trouble = true;
      continue;
    }
    const bool ids = IsIdColumnName(table.Cells(0, 0));
    FindInTable(table, matcher, columnHash, [&](int32_t col, int32_t row) {
      line = file.native();
      line += ':';
      line += std::to_string(row - 1);
      if (ids) line += '[' + EscapedText(table.Cells(0, row)) + ']';
      line += ':';
      line += EscapedText(table.Cells(col, 0));
      line += ": ";
      line += EscapedText(table.Cells(col, row));
      line += '\n';
      io.Out << line;
      found = true;
    });
  }
  io.Out.flush();
  if (trouble) return kExitTrouble;
  return found ? kExitOk : kExitNothingFound;
}

}  // namespace tessary::cli
