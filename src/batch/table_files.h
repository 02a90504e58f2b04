// The table files a command names: files as given, the files directly in a
// folder, or with its subfolders too. File names are bytes and stay so.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// Whether a file's name ends in `extension` (".gda"), ASCII letters in any
// case.
bool HasExtension(const std::filesystem::path& file, std::string_view extension);
// A table file's name: it ends in ".gda" in any letter case.
bool IsTableFileName(const std::filesystem::path& file);

// Which files a folder contributes, by name.
using TFileNameFilter = std::function<bool(const std::filesystem::path& file)>;

struct TFileListing {
  // A file passed over, or a folder that cannot be read (Failed).
  struct TNote {
    std::filesystem::path Path;
    std::string Message;
    bool Failed = false;
  };
  std::vector<std::filesystem::path> Files;
  std::vector<TNote> Notes;
  bool AnyFailed() const;
};

// The files under `paths`, in order. A path that is not a folder is taken
// as it is, whatever its name (reading it then tells whether it is a table
// or there at all). A folder gives the files directly in it that `accept`
// takes, in byte order of their names; with `recursive` each subfolder's
// files follow at the subfolder's place in that order. Links are followed,
// and each folder is visited once, however many paths or links lead to it,
// so a loop of links ends. In a folder, names beginning with "." (hidden
// files and folders, the temporary files of saves under way) are passed
// over silently, and each other file `accept` refuses is noted as skipped.
TFileListing ListFiles(const std::vector<std::filesystem::path>& paths, bool recursive,
                       const TFileNameFilter& accept);

// The outputs of a batch that would be written twice: for each output file
// name that an earlier one equals with letter case folded (A.xls and a.XLS
// are one file on a file system that ignores case, and on any other one a
// user would not tell them apart), the indices of the earlier and the later
// one.
struct TOutputClash {
  size_t First = 0;
  size_t Second = 0;
};
std::vector<TOutputClash> FindOutputClashes(const std::vector<std::filesystem::path>& outputs);

}  // namespace tessary
