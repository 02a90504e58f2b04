#include "batch/table_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "grid/find_replace.h"
#include "text/utf16.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

struct TFolderId {
  dev_t Dev;
  ino_t Ino;
  friend bool operator==(const TFolderId&, const TFolderId&) = default;
};
struct TFolderIdHash {
  size_t operator()(const TFolderId& id) const noexcept {
    return std::hash<uint64_t>{}(static_cast<uint64_t>(id.Ino) * 31 +
                                 static_cast<uint64_t>(id.Dev));
  }
};

bool IsFolder(const fs::path& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class TLister {
 public:
  TLister(bool recursive, const TFileNameFilter& accept, TFileListing& out)
      : FRecursive(recursive), FAccept(accept), FOut(out) {}

  void Take(const fs::path& path) {
    struct stat st {};
    if (IsFolder(path, st)) {
      Folder(path, st);
    } else {
      FOut.Files.push_back(path);
    }
  }

 private:
  void Folder(const fs::path& folder, const struct stat& st) {
    // A folder reached again, by a second path or through a loop of links,
    // adds nothing new.
    if (!FVisited.insert({st.st_dev, st.st_ino}).second) return;
    std::vector<fs::path> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      names.push_back(it->path().filename());
    }
    if (ec) {
      FOut.Notes.push_back({folder, ec.message(), true});
      return;
    }
    std::sort(names.begin(), names.end(),
              [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    for (const fs::path& name : names) {
      if (name.native().starts_with('.')) continue;
      const fs::path path = folder / name;
      struct stat entry {};
      if (IsFolder(path, entry)) {
        if (FRecursive) Folder(path, entry);
      } else if (FAccept(name)) {
        FOut.Files.push_back(path);
      } else {
        FOut.Notes.push_back({path, {}, false});
      }
    }
  }

  bool FRecursive;
  const TFileNameFilter& FAccept;
  TFileListing& FOut;
  std::unordered_set<TFolderId, TFolderIdHash> FVisited;
};

}  // namespace

bool HasExtension(const fs::path& file, std::string_view extension) {
  const std::string& name = file.native();
  if (name.size() < extension.size()) return false;
  return std::equal(extension.begin(), extension.end(), name.end() - extension.size(),
                    [](char a, char b) {
                      auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
                      return lower(a) == lower(b);
                    });
}

bool IsTableFileName(const fs::path& file) { return HasExtension(file, ".gda"); }

bool TFileListing::AnyFailed() const {
  return std::any_of(Notes.begin(), Notes.end(), [](const TNote& n) { return n.Failed; });
}

TFileListing ListFiles(const std::vector<fs::path>& paths, bool recursive,
                       const TFileNameFilter& accept) {
  TFileListing listing;
  TLister lister(recursive, accept, listing);
  for (const fs::path& path : paths) lister.Take(path);
  return listing;
}

std::vector<TOutputClash> FindOutputClashes(const std::vector<fs::path>& outputs) {
  std::vector<TOutputClash> clashes;
  std::unordered_map<std::u16string, size_t> first;
  for (size_t i = 0; i < outputs.size(); ++i) {
    const auto [at, added] = first.emplace(FoldCase(FromFileNameBytes(outputs[i].native())), i);
    if (!added) clashes.push_back({at->second, i});
  }
  return clashes;
}

}  // namespace tessary
