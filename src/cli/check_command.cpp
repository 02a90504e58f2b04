// check: what table files hold of the mistakes the editor asks about before
// saving, one finding a line, for build pipelines. Exit codes as diff's.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <string>

#include "batch/find_in_files.h"
#include "cli/commands.h"
#include "cli/many_tables.h"
#include "gff/column_names.h"
#include "gff/table_check.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary::cli {

namespace {

constexpr int kExitFindings = 1;

std::string HashText(const TCellTable& table, int32_t col) {
  char text[12];
  std::snprintf(text, sizeof text, "$%08X", NameToHash(table.Cells(col, 0)));
  return text;
}

// Rows are data rows counted from 1, columns counted from 1.
std::string FindingLine(const TCellTable& t, const TCheckCase& c) {
  const std::string column = "column " + std::to_string(c.Col + 1);
  switch (c.Kind) {
    case TCheckKind::ckDuplicateId:
      return "row " + std::to_string(c.Row - 1) + ": ID " + ToUtf8(t.Cells(0, c.Row)) +
             " is also the ID of row " + std::to_string(c.Earlier - 1);
    case TCheckKind::ckDuplicateColumn: {
      const std::u16string_view name = t.Cells(c.Col, 0);
      return column + ": name hash " + HashText(t, c.Col) +
             (name.empty() || name[0] == u'$' ? "" : " (" + ToUtf8(name) + ")") +
             " is also that of column " + std::to_string(c.Earlier + 1);
    }
    case TCheckKind::ckUnnamedColumn:
      return column + ": name hash " + HashText(t, c.Col) + " is that of an empty name";
    default:
      return {};
  }
}

}  // namespace

int CheckTableFile(const std::filesystem::path& path, TStreams& io) {
  TCellTable table;
  if (const TResult loaded = LoadTableQuietly(table, path); !loaded) {
    io.Err << InputFailureText(path, loaded.Message) << '\n';
    return kExitTrouble;
  }
  int code = kExitOk;
  const std::vector<TCheckKind> kinds(std::begin(kTableFileCheckKinds),
                                      std::end(kTableFileCheckKinds));
  ForEachCheckCase(table, kinds, [&](const TCheckCase& c) {
    io.Out << path.native() << ": " << FindingLine(table, c) << '\n';
    code = kExitFindings;
  });
  return code;
}

int RunCheck(const std::vector<std::string>& args, TStreams& io) {
  const std::optional<TOptions> options = ParseOptions(args, {"-r"}, {});
  if (!options || options->Operands.empty()) {
    io.Err << HelpText();
    return kExitUsage;
  }
  bool trouble = false;
  const std::vector<std::filesystem::path> files = ExpandInputs(
      options->Operands, options->Has("-r"), IsTableFileName, "a table file", io, trouble);
  int code = trouble ? kExitTrouble : kExitOk;
  for (const std::filesystem::path& file : files) code = std::max(code, CheckTableFile(file, io));
  io.Out.flush();
  if (!io.Out) {
    io.Err << "Output cannot be written.\n";
    return kExitTrouble;
  }
  return code;
}

}  // namespace tessary::cli
