#include "cli/commands.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <iterator>
#include <ostream>

#include "cli/many_tables.h"
#include "common/error_report.h"
#include "common/safe_file.h"
#include "gff/g2da.h"
#include "gff/gff_container.h"
#include "gff/show_error.h"
#include "tessary_version.h"
#include "text/number_text.h"
#include "text/utf16.h"

namespace tessary::cli {
namespace {

constexpr size_t kAnyCount = SIZE_MAX;

// One line per subcommand; a new subcommand adds its line here.
constexpr std::array kCommands = {
    TCommand{"dump", 1, 3, "[--user-names] [--escaped] FILE.gda", RunDump},
    TCommand{"import", 2, kAnyCount,
             "FILE.txt|FILE.csv|FILE.xls|- OUT.gda [--sheet NAME]\n"
             "FILE|DIR... -d DIR [-r] [--sheet NAME]",
             RunImportOrBatch},
    TCommand{"resave", 2, kAnyCount, "IN.gda OUT.gda\nFILE.gda|DIR... -d DIR [-r]",
             RunResaveOrBatch},
    TCommand{"export", 1, kAnyCount,
             "IN.gda [OUT.xls|OUT.csv] [--sheet NAME]\n"
             "FILE.gda|DIR... -d DIR [-r] [--csv] [--sheet NAME]",
             RunExportOrBatch},
    TCommand{"names", 1, 2, "list | add FILE|DIR", RunNames},
    TCommand{"join", 2, kAnyCount, "[--check] OUT.gda BASE.gda EXT.gda...", RunJoin},
    TCommand{"find", 2, kAnyCount, "[--case] [--whole] [--column NAME] [-r] TEXT FILE|DIR...",
             RunFind},
    TCommand{"diff", 2, 5, "[--format text|csv|json] [--user-names] A.gda B.gda", RunDiff},
    TCommand{"merge", 5, 5, "BASE.gda OURS.gda THEIRS.gda -o OUT.gda", RunMerge},
    TCommand{"check", 1, kAnyCount, "[-r] FILE.gda|DIR...", RunCheck},
};

std::string UsageText() {
  std::string text;
  for (const TCommand& c : kCommands) {
    // A usage of several lines gives the command's other forms.
    std::string_view usage = c.Usage;
    while (!usage.empty()) {
      const size_t end = std::min(usage.find('\n'), usage.size());
      text += text.empty() ? "usage: " : "       ";
      text += std::string("tessary-cli ") + c.Name + " " + std::string(usage.substr(0, end)) + "\n";
      usage.remove_prefix(std::min(end + 1, usage.size()));
    }
  }
  text += "       tessary-cli --help | --version\n";
  return text;
}

// Routes the error box to the error stream and remembers that it was shown.
class TErrorToStream {
 public:
  explicit TErrorToStream(std::ostream& err) {
    FPrevious = SetShowErrorHandler([this, &err](const std::string& m) {
      err << m << '\n';
      Shown = true;
    });
  }
  ~TErrorToStream() { SetShowErrorHandler(FPrevious); }
  TErrorToStream(const TErrorToStream&) = delete;
  TErrorToStream& operator=(const TErrorToStream&) = delete;
  bool Shown = false;

 private:
  TMessageHandler FPrevious;
};

}  // namespace

std::string HelpText() {
  return UsageText() +
         "\n"
         "dump    prints the table as the grid's Copy text: cells joined by tabs,\n"
         "        every row ended by CR LF, a cell holding a CR or a LF without its\n"
         "        CRs and in double quotes. Markup is never removed. Output is UTF-8.\n"
         "        Column names the built-in dictionary does not know show as \"$\" and\n"
         "        eight hex digits; with --user-names the user dictionary is asked\n"
         "        next. --escaped prints one line per row, ended by LF, with \\, tab,\n"
         "        CR and LF in cells written as \\\\, \\t, \\r and \\n: the form for git diff.\n"
         "import  makes a table of the text's lines and tab-separated fields, split\n"
         "        as the grid's Paste splits clipboard text (lines end at each CR, or\n"
         "        at each LF in text without CR LF), and saves it. Reads\n"
         "        UTF-8 (\"-\" for standard input); a leading byte order mark is\n"
         "        skipped; input that is not valid UTF-8 or holds a NUL character is\n"
         "        refused and nothing is written.\n"
         "        A workbook (a file that starts with the compound-file signature)\n"
         "        gives the table of one worksheet: NAME, else the sheet the export\n"
         "        names after the file, else the first. A file named *.csv is read\n"
         "        as CSV. In both the first two rows are the column names and types.\n"
         "resave  loads a table and saves it again.\n"
         "export  writes the table into a workbook as the window's Export command\n"
         "        does: OUT is IN with \".xls\" unless given, the sheet is named after\n"
         "        OUT's file name unless --sheet is given. An OUT named *.csv gets the\n"
         "        table as CSV (UTF-8, CR LF line ends, fields quoted where needed).\n"
         "names   the user dictionary of column names, which the editor fills with\n"
         "        the names it saves: $XDG_DATA_HOME/tessary/column-names.txt\n"
         "        (~/.local/share/tessary/ when XDG_DATA_HOME is unset), one name a\n"
         "        line. \"list\" prints it; \"add FILE\" adds the column names of FILE\n"
         "        that the dictionaries do not know yet and prints them: the first\n"
         "        row of each sheet of a workbook, the first line of a CSV file (*.csv),\n"
         "        the first line of a text table as import reads it (\"-\" for standard\n"
         "        input); a table file holds hashes only. A folder gives its\n"
         "        workbooks, CSV, text and table files. No other command writes it.\n"
         "check   prints, one a line after the file's path, what would make a row\n"
         "        or column of a table unreachable: an ID that an earlier row has\n"
         "        (the first column named \"ID\"), a column name hash that an\n"
         "        earlier column has, a column whose name hash is that of an empty\n"
         "        name. Rows are data rows from 1, columns from 1. A folder gives its\n"
         "        *.gda files, -r those of subfolders too. Exit 0 when no table has a\n"
         "        finding, 1 when one has, 2 when a file cannot be read as a table\n"
         "        (the others are still checked).\n"
         "\n" +
         ManyTablesHelpText() +
         "diff    compares two tables: columns by name, rows by ID where the first\n"
         "        column of both is named ID and its IDs are unique, else by position\n"
         "        (said on standard error). Prints a line per changed cell, and + and\n"
         "        - lines for added and removed rows and columns; --format csv or json\n"
         "        for scripts. Exit 0 equal, 1 different, 2 an input cannot be read.\n"
         "merge   merges by cell what OURS and THEIRS changed since BASE into OUT\n"
         "        (which may be OURS; git's merge driver: merge %O %A %B -o %A).\n"
         "        Conflicts keep OURS' value and are listed on standard error. Without\n"
         "        unique IDs rows are matched by position, which needs equal row\n"
         "        counts. Exit 0 merged, 1 conflicts, 2 trouble (nothing written).\n"
         "\n"
         "Exit codes, where a command above gives none: 0 success; 1 failure (the\n"
         "message on standard error); 2 the file is a valid container but not a G2DA\n"
         "table, or a usage error.\n";
}

int LoadTable(TCellTable& table, const std::filesystem::path& path, std::ostream& err) {
  TErrorToStream errors(err);
  if (LoadGDA(table, path)) return kExitOk;
  if (errors.Shown) return kExitFailed;
  err << "Not a G2DA table.\n";
  return kExitNotATable;
}

int SaveTable(const TCellTable& table, const std::filesystem::path& path, std::ostream& err) {
  TErrorToStream errors(err);
  return SaveGDA(table, path) ? kExitOk : kExitFailed;
}

int ReportFailure(const TResult& failure, std::ostream& err) {
  err << failure.Message << '\n';
  return kExitFailed;
}

TResult OpenInputFile(const std::string& path, TInputFile& file, uint64_t& size) {
  file.reset(OpenRegularFileForReading(path, &size));
  if (!file) {
    return TResult::Failure(FileFailureText(kCannotOpenText, path, OpenForReadingErrorText(errno)));
  }
  return TResult::Success();
}

std::optional<TSheetArgs> SplitSheetOption(const std::vector<std::string>& args) {
  TSheetArgs split;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--sheet") {
      split.Files.push_back(args[i]);
      continue;
    }
    // The flag needs its value; it never names a file.
    if (i + 1 >= args.size() || split.Sheet) return std::nullopt;
    split.Sheet = args[++i];
  }
  return split;
}

bool IsCsvName(const std::string& path) {
  return AsciiLower(FromUtf8(std::filesystem::path(path).extension().string())) == u".csv";
}

TResult ReadInput(const std::string& path, std::istream& in, std::string& bytes) {
  if (path == "-") {
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return TResult::Success();
  }
  uint64_t size = 0;
  TInputFile file(nullptr, std::fclose);
  if (TResult opened = OpenInputFile(path, file, size); !opened) return opened;
  bytes.resize(static_cast<size_t>(size));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  return TResult::Success();
}

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << HelpText();
    return kExitOk;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << "tessary-cli " << kProductVersion << '\n';
    return kExitOk;
  }
  TStreams io{in, out, err};
  for (const TCommand& c : kCommands) {
    if (args.empty() || args[0] != c.Name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (rest.size() < c.MinArgs || rest.size() > c.MaxArgs) break;
    try {
      return c.Run(rest, io);
    } catch (const std::exception& e) {
      // What no command caught, e.g. a file that cannot be created.
      err << GeneralErrorText(e.what()) << '\n';
      return kExitFailed;
    }
  }
  err << UsageText();
  return kExitUsage;
}

}  // namespace tessary::cli
