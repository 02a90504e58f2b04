// Commands over many tables: the batches of export, import and resave
// (-d DIR), join and find, and what they share with any command that takes
// files and folders (-r), such as a check of many tables.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "batch/table_files.h"
#include "cli/commands.h"

namespace tessary::cli {

// find and join --check, as grep and diff: an input could not be read.
constexpr int kExitTrouble = 2;

// A command line split into options and operands. Options may stand
// anywhere; "--" ends them, so that an operand may begin with "-"; a lone
// "-" is an operand.
struct TOptions {
  std::vector<std::string> Operands;
  std::set<std::string, std::less<>> Flags;
  std::map<std::string, std::string, std::less<>> Values;
  bool Has(std::string_view flag) const { return Flags.contains(flag); }
  const std::string* Value(std::string_view option) const;
};
// Nothing for an option not in `flags` or `valued`, an option given twice,
// and an option without its value.
std::optional<TOptions> ParseOptions(const std::vector<std::string>& args,
                                     std::initializer_list<std::string_view> flags,
                                     std::initializer_list<std::string_view> valued);

// The files of a command over many tables: each path a file as it is, or a
// folder's files that `accept` takes (with `recursive` its subfolders' too;
// see ListFiles). One warning on standard error for each file passed over,
// "PATH: not WHAT; skipped.", and for each folder that cannot be read;
// `failed` is set for the latter.
std::vector<std::filesystem::path> ExpandInputs(const std::vector<std::string>& paths,
                                                bool recursive, const TFileNameFilter& accept,
                                                std::string_view what, TStreams& io, bool& failed);

// A failure of one input of many, on one line: "PATH: " and the message,
// its line breaks turned into spaces.
std::string InputFailureText(const std::filesystem::path& input, std::string_view message);

// export, import and resave: the batch when the arguments ask for one (-d,
// -r or --csv), else the single-file form.
int RunExportOrBatch(const std::vector<std::string>& args, TStreams& io);
int RunImportOrBatch(const std::vector<std::string>& args, TStreams& io);
int RunResaveOrBatch(const std::vector<std::string>& args, TStreams& io);

int RunJoin(const std::vector<std::string>& args, TStreams& io);
int RunFind(const std::vector<std::string>& args, TStreams& io);

// The part of --help on batches, join and find.
std::string ManyTablesHelpText();

// A cell text on one line of output: tab, CR and LF as \t, \r and \n, a
// backslash as \\; UTF-8.
std::string EscapedText(std::u16string_view text);

}  // namespace tessary::cli
