// check: what a table file holds of the mistakes the editor asks about
// before saving, one finding a line, for build pipelines.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "gff/column_names.h"
#include "gff/table_check.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary::cli {

namespace {

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

int CheckTableFile(const std::string& path, TStreams& io) {
  TCellTable table;
  if (LoadTable(table, path, io.Err) != kExitOk) return kExitCheckTrouble;
  int code = kExitOk;
  const std::vector<TCheckKind> kinds(std::begin(kTableFileCheckKinds),
                                      std::end(kTableFileCheckKinds));
  ForEachCheckCase(table, kinds, [&](const TCheckCase& c) {
    io.Out << path << ": " << FindingLine(table, c) << '\n';
    code = kExitCheckFindings;
  });
  return code;
}

int RunCheck(const std::vector<std::string>& args, TStreams& io) {
  int code = kExitOk;
  for (const std::string& path : args) code = std::max(code, CheckTableFile(path, io));
  io.Out.flush();
  if (!io.Out) {
    io.Err << "Output cannot be written.\n";
    return kExitCheckTrouble;
  }
  return code;
}

}  // namespace tessary::cli
