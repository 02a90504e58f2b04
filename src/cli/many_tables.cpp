// What the commands over many tables share: options, the expansion of
// files and folders, one-line messages.
#include "cli/many_tables.h"

#include <algorithm>
#include <ostream>

#include "text/utf16.h"

namespace tessary::cli {

const std::string* TOptions::Value(std::string_view option) const {
  const auto it = Values.find(option);
  return it == Values.end() ? nullptr : &it->second;
}

std::optional<TOptions> ParseOptions(const std::vector<std::string>& args,
                                     std::initializer_list<std::string_view> flags,
                                     std::initializer_list<std::string_view> valued) {
  auto known = [](std::initializer_list<std::string_view> list, std::string_view arg) {
    return std::find(list.begin(), list.end(), arg) != list.end();
  };
  TOptions options;
  bool operandsOnly = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (operandsOnly || arg == "-" || !arg.starts_with('-')) {
      options.Operands.push_back(arg);
    } else if (arg == "--") {
      operandsOnly = true;
    } else if (known(flags, arg)) {
      if (!options.Flags.insert(arg).second) return std::nullopt;
    } else if (known(valued, arg)) {
      if (i + 1 >= args.size() || !options.Values.emplace(arg, args[i + 1]).second) {
        return std::nullopt;
      }
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return options;
}

std::vector<std::filesystem::path> ExpandInputs(const std::vector<std::string>& paths,
                                                bool recursive, const TFileNameFilter& accept,
                                                std::string_view what, TStreams& io, bool& failed) {
  const TFileListing listing =
      ListFiles(std::vector<std::filesystem::path>(paths.begin(), paths.end()), recursive, accept);
  for (const TFileListing::TNote& note : listing.Notes) {
    if (note.Failed) {
      io.Err << InputFailureText(note.Path, "the folder cannot be read: " + note.Message) << '\n';
      failed = true;
    } else {
      io.Err << note.Path.native() << ": not " << what << "; skipped.\n";
    }
  }
  return listing.Files;
}

std::string InputFailureText(const std::filesystem::path& input, std::string_view message) {
  std::string text = input.native() + ": ";
  while (!message.empty() && message.back() == '\n') message.remove_suffix(1);
  for (char c : message) text += c == '\n' ? ' ' : c;
  return text;
}

std::string EscapedText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'\\':
        out += u"\\\\";
        break;
      case u'\t':
        out += u"\\t";
        break;
      case u'\r':
        out += u"\\r";
        break;
      case u'\n':
        out += u"\\n";
        break;
      default:
        out += c;
    }
  }
  return ToUtf8(out);
}

std::string ManyTablesHelpText() {
  return "batches export, import and resave take many files with -d DIR: each result\n"
         "        goes into DIR (made when missing) under the name the single-file\n"
         "        form gives it, with a line \"FILE -> DIR/NAME\" on standard output;\n"
         "        a failed file gets one line on standard error, nothing is written\n"
         "        for it, and the batch goes on (exit 1). A folder gives the files\n"
         "        directly in it (export and resave: *.gda; import: *.xls, *.csv,\n"
         "        *.txt), -r its subfolders' too; other files are skipped with a\n"
         "        warning, hidden ones silently. Two files that would give one name\n"
         "        (A.gda and a.GDA, x/A.gda and y/A.gda) are refused before anything\n"
         "        is written (exit 2). --csv exports CSV files.\n"
         "join    writes the data rows of BASE.gda and each EXT.gda, in that order,\n"
         "        as OUT.gda. Every input needs the base's columns (the same names and\n"
         "        types, in any order; the base's order is kept), and an ID (first\n"
         "        column \"ID\") may occur once, IDs compared as saving stores them.\n"
         "        Otherwise each difference and duplicate is reported and nothing is\n"
         "        written (exit 1). --check reports them on standard output and\n"
         "        writes nothing: exit 0 clean, 1 findings, 2 an input unreadable.\n"
         "find    prints the data cells of the tables under the paths (a folder\n"
         "        gives its *.gda files, -r those of subfolders too) that contain\n"
         "        TEXT, letters compared as the window's Find compares them (--case:\n"
         "        as typed; --whole: the whole cell), in the column NAME alone with\n"
         "        --column: \"FILE:ROW[ID]:COLUMN: TEXT\", ROW the data row number,\n"
         "        [ID] where the first column is ID; tab, CR, LF and backslash shown\n"
         "        as \\t \\r \\n \\\\. Exit 0 found, 1 nothing found, 2 an input\n"
         "        unreadable (a warning each; the search goes on).\n";
}

}  // namespace tessary::cli
