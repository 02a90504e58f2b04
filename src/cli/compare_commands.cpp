// diff and merge: tables compared and merged by cell. Exit codes follow
// diff(1): 0 equal (merged cleanly), 1 different (conflicts), 2 trouble.
#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <numeric>
#include <ostream>
#include <sstream>

#include "cli/commands.h"
#include "common/error_report.h"
#include "compare/table_compare.h"
#include "compare/table_merge.h"
#include "gff/user_column_names.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary::cli {
namespace {

constexpr int kExitSame = 0;
constexpr int kExitDiffer = 1;
constexpr int kExitTrouble = 2;

// A text in double quotes, as JSON writes a string: \" \\ \n \r \t, and
// \uXXXX for the other control characters and for unpaired surrogates;
// everything else as UTF-8. It also keeps a cell on one line of the
// readable output.
std::string Quoted(std::u16string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  size_t plain = 0;  // start of the stretch not yet written
  auto flush = [&](size_t end) {
    out += ToUtf8(text.substr(plain, end - plain));
    plain = end + 1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;  // a pair: written as one character
      continue;
    }
    const char* escape = c == u'"'    ? "\\\""
                         : c == u'\\' ? "\\\\"
                         : c == u'\n' ? "\\n"
                         : c == u'\r' ? "\\r"
                         : c == u'\t' ? "\\t"
                                      : nullptr;
    if (!escape && c >= 0x20 && !high && !low) continue;
    flush(i);
    if (escape) {
      out += escape;
    } else {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    }
  }
  flush(text.size());
  out += '"';
  return out;
}

// A CSV field as RFC 4180 writes it: in double quotes, quotes doubled, when
// it holds a comma, a quote, a CR or a LF.
std::string CsvField(std::u16string_view text) {
  std::string utf8 = ToUtf8(text);
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

// Loads an input; on failure the reader's message, the path when the
// message does not name it, and the trouble exit code.
int LoadInput(TCellTable& table, const std::string& path, TStreams& io) {
  std::ostringstream message;
  if (LoadTable(table, path, message) == kExitOk) return kExitOk;
  io.Err << message.str();
  if (message.str().find(path) == std::string::npos) io.Err << path << '\n';
  return kExitTrouble;
}

void ApplyUserNames(std::initializer_list<TCellTable*> tables, TStreams& io) {
  // A dictionary that cannot be used is reported and the command goes on.
  std::filesystem::path file;
  if (const TResult found = UserColumnNamesFile(file); !found) {
    ReportFailure(found, io.Err);
    return;
  }
  const TUserColumnNames names =
      TUserColumnNames::Load(file, [&](const std::string& m) { io.Err << m << '\n'; });
  for (TCellTable* table : tables) ApplyUserColumnNames(*table, names);
}

enum class TFormat { Text, Csv, Json };

// Writes a comparison in one of the three forms. Rows come in the table's
// order, each added row after the row it follows in the other table.
class TDiffWriter {
 public:
  TDiffWriter(const TTableComparison& comparison, const TCellTable& a, const TCellTable& b,
              std::ostream& out)
      : FCmp(comparison), FA(a), FB(b), FOut(out) {}

  void Text(const std::string& nameA, const std::string& nameB) {
    if (FCmp.Equal()) return;
    FOut << "--- " << nameA << "\n+++ " << nameB << '\n';
    for (int32_t c : FCmp.RemovedColumns()) {
      FOut << "- column " << Name(FA, c) << " (" << ToUtf8(FA.Cells(c, 1)) << ")\n";
    }
    for (int32_t c : FCmp.AddedColumns()) {
      FOut << "+ column " << Name(FB, c) << " (" << ToUtf8(FB.Cells(c, 1)) << ")\n";
    }
    for (int32_t c : FCmp.RetypedColumns()) {
      FOut << "~ column " << Name(FA, c) << ": " << ToUtf8(FA.Cells(c, 1)) << " -> "
           << ToUtf8(FB.Cells(FCmp.OtherCol(c), 1)) << '\n';
    }
    WalkRows([&](int32_t row) { FOut << "- " << RowLine(FA, row) << '\n'; },
             [&](TGridCoord cell) {
               FOut << "~ " << Key(FA, cell.Y) << ", " << Name(FA, cell.X) << ": "
                    << Quoted(FA.Cells(cell.X, cell.Y)) << " -> " << Quoted(OtherText(cell))
                    << '\n';
             },
             [&](int32_t row) { FOut << "+ " << RowLine(FB, row) << '\n'; });
  }

  void Csv() {
    FOut << "change,id,row,column,old,new\r\n";
    auto line = [&](const char* change, const TCellTable* t, int32_t row, const std::string& column,
                    std::u16string_view oldText, std::u16string_view newText) {
      FOut << change << ',';
      if (t) FOut << IdField(*t, row) << ',' << DataRow(row);
      FOut << (t ? "," : ",,") << column << ',' << CsvField(oldText) << ',' << CsvField(newText)
           << "\r\n";
    };
    for (int32_t c : FCmp.RemovedColumns()) {
      line("column-removed", nullptr, 0, CsvField(FA.Cells(c, 0)), FA.Cells(c, 1), {});
    }
    for (int32_t c : FCmp.AddedColumns()) {
      line("column-added", nullptr, 0, CsvField(FB.Cells(c, 0)), {}, FB.Cells(c, 1));
    }
    for (int32_t c : FCmp.RetypedColumns()) {
      line("column-retyped", nullptr, 0, CsvField(FA.Cells(c, 0)), FA.Cells(c, 1),
           FB.Cells(FCmp.OtherCol(c), 1));
    }
    WalkRows(
        [&](int32_t row) {
          for (int32_t c = 0; c < FA.ColCount(); ++c) {
            line("row-removed", &FA, row, CsvField(FA.Cells(c, 0)), FA.Cells(c, row), {});
          }
        },
        [&](TGridCoord cell) {
          line("cell", &FA, cell.Y, CsvField(FA.Cells(cell.X, 0)), FA.Cells(cell.X, cell.Y),
               OtherText(cell));
        },
        [&](int32_t row) {
          for (int32_t c = 0; c < FB.ColCount(); ++c) {
            line("row-added", &FB, row, CsvField(FB.Cells(c, 0)), {}, FB.Cells(c, row));
          }
        });
  }

  void Json(const std::string& nameA, const std::string& nameB, const std::string& warning) {
    const bool common = FCmp.RemovedColumns().size() < static_cast<size_t>(FA.ColCount());
    FOut << "{\n  \"a\": " << Quoted(FromFileNameBytes(nameA))
         << ",\n  \"b\": " << Quoted(FromFileNameBytes(nameB))
         << ",\n  \"equal\": " << (FCmp.Equal() ? "true" : "false") << ",\n  \"rows_matched_by\": "
         << (FCmp.RowsById() ? "\"id\""
             : common        ? "\"position\""
                             : "\"none\"")
         << ",\n  \"warning\": " << (warning.empty() ? "null" : Quoted(FromUtf8(warning)));
    auto columns = [&](const char* key, const TCellTable& t, const std::vector<int32_t>& cols) {
      List(key, cols.size(), [&](size_t i) {
        FOut << "{\"name\": " << Quoted(t.Cells(cols[i], 0))
             << ", \"type\": " << Quoted(t.Cells(cols[i], 1)) << '}';
      });
    };
    columns("columns_removed", FA, FCmp.RemovedColumns());
    columns("columns_added", FB, FCmp.AddedColumns());
    const std::vector<int32_t>& retyped = FCmp.RetypedColumns();
    List("columns_retyped", retyped.size(), [&](size_t i) {
      FOut << "{\"name\": " << Quoted(FA.Cells(retyped[i], 0))
           << ", \"old\": " << Quoted(FA.Cells(retyped[i], 1))
           << ", \"new\": " << Quoted(FB.Cells(FCmp.OtherCol(retyped[i]), 1)) << '}';
    });
    auto rows = [&](const char* key, const TCellTable& t, const std::vector<int32_t>& list) {
      List(key, list.size(), [&](size_t i) {
        FOut << '{' << JsonRowKey(t, list[i]) << ", \"cells\": [";
        for (int32_t c = 0; c < t.ColCount(); ++c) {
          FOut << (c ? ", [" : "[") << Quoted(t.Cells(c, 0)) << ", " << Quoted(t.Cells(c, list[i]))
               << ']';
        }
        FOut << "]}";
      });
    };
    rows("rows_removed", FA, FCmp.RemovedRows());
    std::vector<int32_t> added;
    for (const TTableComparison::TAddedRow& r : FCmp.AddedRows()) added.push_back(r.OtherRow);
    rows("rows_added", FB, added);
    const std::vector<TGridCoord>& cells = FCmp.ChangedCells();
    List("cells_changed", cells.size(), [&](size_t i) {
      const TGridCoord cell = cells[i];
      FOut << '{' << JsonRowKey(FA, cell.Y) << ", \"column\": " << Quoted(FA.Cells(cell.X, 0))
           << ", \"old\": " << Quoted(FA.Cells(cell.X, cell.Y))
           << ", \"new\": " << Quoted(OtherText(cell)) << '}';
    });
    FOut << "\n}\n";
  }

 private:
  static std::string Name(const TCellTable& t, int32_t col) { return ToUtf8(t.Cells(col, 0)); }
  static int32_t DataRow(int32_t row) { return row - kCompareFirstRow + 1; }

  std::string Key(const TCellTable& t, int32_t row) const {
    return ToUtf8(RowKeyText(t, row, FCmp.RowsById()));
  }
  std::string IdField(const TCellTable& t, int32_t row) const {
    return FCmp.RowsById() ? CsvField(t.Cells(0, row)) : std::string();
  }
  std::string JsonRowKey(const TCellTable& t, int32_t row) const {
    return "\"id\": " + (FCmp.RowsById() ? Quoted(t.Cells(0, row)) : std::string("null")) +
           ", \"row\": " + std::to_string(DataRow(row));
  }
  std::u16string_view OtherText(TGridCoord cell) const {
    return FCmp.OtherText(cell.X, cell.Y).value_or(std::u16string_view());
  }
  // "ID 12: ID "12", Label "sword"": the row's key, then every cell.
  std::string RowLine(const TCellTable& t, int32_t row) const {
    std::string line = Key(t, row) + ':';
    for (int32_t c = 0; c < t.ColCount(); ++c) {
      line += (c ? ", " : " ") + Name(t, c) + ' ' + Quoted(t.Cells(c, row));
    }
    return line;
  }

  template <typename TItem>
  void List(const char* key, size_t count, TItem item) {
    FOut << ",\n  \"" << key << "\": [";
    for (size_t i = 0; i < count; ++i) {
      FOut << (i ? ",\n    " : "\n    ");
      item(i);
    }
    FOut << (count ? "\n  ]" : "]");
  }

  // Rows in the table's order; rows the other adds after the row they
  // follow there, but after the removed rows that come next, as a diff
  // puts its removals first.
  template <typename TRemoved, typename TChanged, typename TAdded>
  void WalkRows(TRemoved removed, TChanged changed, TAdded added) {
    const std::vector<TTableComparison::TAddedRow>& adds = FCmp.AddedRows();
    std::vector<size_t> order(adds.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return adds[x].After < adds[y].After; });
    size_t nextAdd = 0;
    int32_t pendingAfter = -1;  // added rows after this row wait for its removed successors
    auto addPending = [&] {
      while (nextAdd < order.size() && adds[order[nextAdd]].After == pendingAfter) {
        added(adds[order[nextAdd++]].OtherRow);
      }
    };
    const std::vector<TGridCoord>& cells = FCmp.ChangedCells();
    size_t nextCell = 0;
    for (int32_t row = kCompareFirstRow; row < FA.RowCount(); ++row) {
      if (FCmp.OtherRow(row) < 0) {
        removed(row);
        continue;
      }
      addPending();
      for (; nextCell < cells.size() && cells[nextCell].Y == row; ++nextCell) {
        changed(cells[nextCell]);
      }
      pendingAfter = row;
    }
    addPending();
  }

  const TTableComparison& FCmp;
  const TCellTable& FA;
  const TCellTable& FB;
  std::ostream& FOut;
};

int Diff(const std::vector<std::string>& args, TStreams& io) {
  std::vector<std::string> files;
  TFormat format = TFormat::Text;
  bool userNames = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--user-names") {
      userNames = true;
    } else if (args[i] == "--format" && i + 1 < args.size() &&
               (args[i + 1] == "text" || args[i + 1] == "csv" || args[i + 1] == "json")) {
      ++i;
      format = args[i] == "csv" ? TFormat::Csv : args[i] == "json" ? TFormat::Json : TFormat::Text;
    } else if (args[i].starts_with("--")) {
      files.clear();
      break;
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) {
    io.Err << HelpText();
    return kExitUsage;
  }
  TCellTable a, b;
  if (LoadInput(a, files[0], io) != kExitOk || LoadInput(b, files[1], io) != kExitOk) {
    return kExitTrouble;
  }
  if (userNames) ApplyUserNames({&a, &b}, io);

  const TTableComparison comparison(a, b);
  std::string warning;
  if (comparison.PositionCause()) {
    warning =
        "Rows matched by position: " + PositionCauseText(*comparison.PositionCause(), files) + ".";
    io.Err << warning << '\n';
  }
  TDiffWriter writer(comparison, a, b, io.Out);
  switch (format) {
    case TFormat::Text:
      writer.Text(files[0], files[1]);
      break;
    case TFormat::Csv:
      writer.Csv();
      break;
    case TFormat::Json:
      writer.Json(files[0], files[1], warning);
      break;
  }
  io.Out.flush();
  if (!io.Out) {
    io.Err << "Output cannot be written.\n";
    return kExitTrouble;
  }
  return comparison.Equal() ? kExitSame : kExitDiffer;
}

std::string ConflictText(const TMergeConflict& c) {
  static constexpr std::array kKinds = {"changed on both sides", "row changed and removed",
                                        "row added on both sides", "column changed and removed",
                                        "column retyped on both sides"};
  auto value = [](const std::optional<std::u16string>& v) {
    return v ? Quoted(*v) : std::string("(absent)");
  };
  std::string text = std::string("CONFLICT (") + kKinds[static_cast<size_t>(c.Kind)] + "): ";
  text += c.Row.empty() ? "type of column " + ToUtf8(c.Column)
                        : ToUtf8(c.Row) + ", column " + ToUtf8(c.Column);
  return text + ": base " + value(c.Base) + ", ours " + value(c.Ours) + ", theirs " +
         value(c.Theirs);
}

int Merge(const std::vector<std::string>& args, TStreams& io) {
  std::vector<std::string> files;
  std::optional<std::string> out;
  for (size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "-o" || args[i] == "--output") && i + 1 < args.size() && !out) {
      out = args[++i];
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 3 || !out) {
    io.Err << HelpText();
    return kExitUsage;
  }
  TCellTable base, ours, theirs;
  for (auto [table, path] :
       {std::pair{&base, &files[0]}, std::pair{&ours, &files[1]}, std::pair{&theirs, &files[2]}}) {
    if (LoadInput(*table, *path, io) != kExitOk) return kExitTrouble;
  }
  TMergeReport report;
  if (TResult merged = MergeTables(base, ours, theirs, report); !merged) {
    io.Err << merged.Message << '\n';
    return kExitTrouble;
  }
  if (report.PositionCause) {
    const std::array<std::string, 3> names = {"BASE", "OURS", "THEIRS"};
    io.Err << "Rows matched by position: " << PositionCauseText(*report.PositionCause, names)
           << ".\n";
  }
  if (SaveTable(ours, *out, io.Err) != kExitOk) return kExitTrouble;
  for (const TMergeConflict& c : report.Conflicts) io.Err << ConflictText(c) << '\n';
  if (report.Conflicts.empty()) return kExitSame;
  io.Err << report.Conflicts.size() << (report.Conflicts.size() == 1 ? " conflict" : " conflicts")
         << "; " << *out << " holds OURS' side of each.\n";
  return kExitDiffer;
}

// What no step caught (a file that cannot be created, memory) is trouble,
// never "different".
int Guarded(int (*run)(const std::vector<std::string>&, TStreams&),
            const std::vector<std::string>& args, TStreams& io) {
  try {
    return run(args, io);
  } catch (const std::exception& e) {
    io.Err << GeneralErrorText(e.what()) << '\n';
    return kExitTrouble;
  }
}

}  // namespace

int RunDiff(const std::vector<std::string>& args, TStreams& io) { return Guarded(Diff, args, io); }
int RunMerge(const std::vector<std::string>& args, TStreams& io) {
  return Guarded(Merge, args, io);
}

}  // namespace tessary::cli
