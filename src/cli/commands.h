// The subcommands of tessary-cli, callable from tests with their own
// streams. Each subcommand is one entry of the command table in
// commands.cpp; its code may live in a file of its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace tessary {
class TCellTable;
}

namespace tessary::cli {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;     // a failure, its message on standard error
constexpr int kExitNotATable = 2;  // a valid container that is not a table
constexpr int kExitUsage = 2;      // unknown command or wrong arguments

struct TStreams {
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
};

// A subcommand gets the arguments after its name; the table checks their
// count first.
using TCommandFn = int (*)(const std::vector<std::string>& args, TStreams& io);

struct TCommand {
  const char* Name;
  size_t MinArgs;
  size_t MaxArgs;
  const char* Usage;  // the arguments, as shown in the usage text
  TCommandFn Run;
};

// Runs the command line (without the program name). Failures that no
// command caught are shown with the general error report's full-stop rule.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);

// The text of --help.
std::string HelpText();

// Shared by the subcommands: load a table, printing the window's message
// ("Not a G2DA table." for a container that is not a table); save one,
// printing "File cannot be written." on failure. Both return an exit code.
int LoadTable(TCellTable& table, const std::filesystem::path& path, std::ostream& err);
int SaveTable(const TCellTable& table, const std::filesystem::path& path, std::ostream& err);

// Prints a failure's message on standard error; returns kExitFailed.
int ReportFailure(const TResult& failure, std::ostream& err);

// Opens a named input file, a regular file only (a FIFO or a device is
// refused, not waited on), and gives its size. A failure's message is the
// cannot-open message with the path and the reason.
using TInputFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
TResult OpenInputFile(const std::string& path, TInputFile& file, uint64_t& size);
// All of standard input for "-", else all of the named input file.
TResult ReadInput(const std::string& path, std::istream& in, std::string& bytes);

// The file arguments and the value of the one --sheet option of export and
// import; nothing for a --sheet without its value or given twice.
struct TSheetArgs {
  std::vector<std::string> Files;
  std::optional<std::string> Sheet;
};
std::optional<TSheetArgs> SplitSheetOption(const std::vector<std::string>& args);
// Whether the path's extension is ".csv" in any letter case.
bool IsCsvName(const std::string& path);

// The table the import makes of UTF-8 text (a leading byte order mark
// skipped, lines and tab-separated fields split as Paste splits them); a
// failure's message refuses the text. More lines or fields than a table
// holds throw Error, which Run reports as the general error report does.
TResult TableFromText(std::string_view bytes, TCellTable& table);

// The subcommands.
int RunDump(const std::vector<std::string>& args, TStreams& io);
int RunImport(const std::vector<std::string>& args, TStreams& io);
// The import of a workbook (a file starting with the compound-file
// signature) or a CSV file (*.csv); nothing for any other input, which the
// text import reads.
std::optional<int> RunImportOther(const std::vector<std::string>& args, TStreams& io);
int RunResave(const std::vector<std::string>& args, TStreams& io);
int RunExport(const std::vector<std::string>& args, TStreams& io);
int RunNames(const std::vector<std::string>& args, TStreams& io);
int RunDiff(const std::vector<std::string>& args, TStreams& io);
int RunMerge(const std::vector<std::string>& args, TStreams& io);
// check, over the files and folders of its arguments (-r); exit codes as
// diff's: 0 clean, 1 findings, 2 a file that cannot be read as a table.
int RunCheck(const std::vector<std::string>& args, TStreams& io);
// check of one table file: its findings on io.Out, one a line, each after
// the path, or its failure to load on io.Err; the exit code of check for
// that file alone.
int CheckTableFile(const std::filesystem::path& path, TStreams& io);

// The user dictionary of column names, found from XDG_DATA_HOME and HOME;
// a failure when neither names an absolute folder.
TResult UserColumnNamesFile(std::filesystem::path& file);

}  // namespace tessary::cli
