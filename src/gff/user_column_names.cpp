#include "gff/user_column_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <system_error>

#include "common/error.h"
#include "common/safe_file.h"
#include "common/write_lock.h"
#include "gff/column_names.h"
#include "table/cell_table.h"
#include "text/utf16.h"

namespace tessary {

namespace {

bool IsBuiltIn(uint32_t hash) {
  auto it = std::lower_bound(KnownColumns.begin(), KnownColumns.end(), hash,
                             [](const TGDAStrHash& entry, uint32_t h) { return entry.Value < h; });
  return it != KnownColumns.end() && it->Value == hash;
}

// The hash of a name shown as "$" and exactly eight upper-case hexadecimal
// digits, the form HashToName gives a hash it does not know.
std::optional<uint32_t> ShownHash(std::u16string_view name) {
  if (name.size() != 9 || name[0] != u'$') return std::nullopt;
  uint32_t hash = 0;
  for (char16_t c : name.substr(1)) {
    if (c >= u'0' && c <= u'9') {
      hash = (hash << 4) | (c - u'0');
    } else if (c >= u'A' && c <= u'F') {
      hash = (hash << 4) | (c - u'A' + 10);
    } else {
      return std::nullopt;
    }
  }
  return hash;
}

std::string Warning(const std::filesystem::path& file, const std::string& reason) {
  return "The user dictionary of column names is ignored.\n" + file.string() + ": " + reason;
}

// A dictionary that was read but cannot be written: its names still count.
std::string StoreWarning(const std::filesystem::path& file, const std::string& reason) {
  return "New column names cannot be stored in the user dictionary; the names it holds are "
         "still used.\n" +
         file.string() + ": " + reason;
}

enum class TRead { rOk, rMissing, rFailed };

// The whole file, at most kMaxFileSize + 1 bytes of it.
TRead ReadFile(const std::filesystem::path& file, std::string& bytes, std::string& reason) {
  // A FIFO or device in the file's place is refused, never waited on.
  std::FILE* f = OpenRegularFileForReading(file);
  if (f == nullptr) {
    if (errno == ENOENT) return TRead::rMissing;
    reason = OpenForReadingErrorText(errno);
    return TRead::rFailed;
  }
  bytes.clear();
  char buffer[65536];
  size_t got = 0;
  while (bytes.size() <= TUserColumnNames::kMaxFileSize &&
         (got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    bytes.append(buffer, got);
  }
  const bool failed = std::ferror(f) != 0;
  if (failed) reason = LastSystemErrorText();  // e.g. a folder in the file's place
  std::fclose(f);
  return failed ? TRead::rFailed : TRead::rOk;
}

}  // namespace

TResult TUserColumnNames::Parse(std::string_view bytes, TUserColumnNames& names) {
  if (bytes.size() > kMaxFileSize) return TResult::Failure("larger than 16 MiB");
  if (bytes.find('\0') != std::string_view::npos) return TResult::Failure("holds a NUL byte");
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::u16string text = FromUtf8(bytes);
  // FromUtf8 replaces what it cannot read; only valid UTF-8 comes back as
  // the same bytes.
  if (ToUtf8(text) != bytes) return TResult::Failure("not UTF-8 text");
  names = TUserColumnNames();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(u'\n', pos);
    if (end == std::u16string::npos) end = text.size();
    std::u16string_view line(text.data() + pos, end - pos);
    if (line.ends_with(u'\r')) line.remove_suffix(1);
    names.Add(line);
    pos = end + 1;
  }
  return TResult::Success();
}

TUserColumnNames TUserColumnNames::Load(const std::filesystem::path& file,
                                        const TMessageHandler& warn) {
  std::string bytes;
  std::string reason;
  switch (ReadFile(file, bytes, reason)) {
    case TRead::rMissing:
      return {};
    case TRead::rFailed:
      if (warn) warn(Warning(file, reason));
      return {};
    case TRead::rOk:
      break;
  }
  TUserColumnNames names;
  if (const TResult parsed = Parse(bytes, names); !parsed) {
    if (warn) warn(Warning(file, parsed.Message));
    return {};
  }
  return names;
}

std::optional<std::u16string_view> TUserColumnNames::Find(uint32_t hash) const {
  auto it = FByHash.find(hash);
  if (it == FByHash.end()) return std::nullopt;
  return FNames[it->second];
}

bool TUserColumnNames::Accepts(std::u16string_view name) const {
  // A leading U+FEFF would be read back as the file's byte order mark.
  if (name.empty() || name[0] == u'$' || name[0] == u'\uFEFF') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c < 0x20 || c == 0x7F) return false;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
        name[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return false;
    }
  }
  const uint32_t hash = NameToHash(name);
  return !IsBuiltIn(hash) && !FByHash.contains(hash);
}

bool TUserColumnNames::Add(std::u16string_view name) {
  if (!Accepts(name)) return false;
  FByHash.emplace(NameToHash(name), FNames.size());
  FNames.emplace_back(name);
  return true;
}

std::u16string HashToName(uint32_t hash, const TUserColumnNames& user) {
  if (!IsBuiltIn(hash)) {
    if (std::optional<std::u16string_view> name = user.Find(hash)) return std::u16string(*name);
  }
  return HashToName(hash);
}

int ApplyUserColumnNames(TCellTable& table, const TUserColumnNames& user) {
  int changed = 0;
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    const std::optional<uint32_t> hash = ShownHash(table.Cells(c, 0));
    if (!hash) continue;
    if (std::optional<std::u16string_view> name = user.Find(*hash)) {
      table.SetCells(c, 0, *name);
      ++changed;
    }
  }
  return changed;
}

std::optional<std::vector<std::u16string>> AddUserColumnNames(const std::filesystem::path& file,
                                                              const TCellTable& table,
                                                              const TMessageHandler& warn) {
  auto fail = [&](const std::string& reason) -> std::optional<std::vector<std::u16string>> {
    if (warn) warn(Warning(file, reason));
    return std::nullopt;
  };
  auto failStoring = [&](const std::string& reason) -> std::optional<std::vector<std::u16string>> {
    if (warn) warn(StoreWarning(file, reason));
    return std::nullopt;
  };
  // The names are found without the lock; when there are any to add, the
  // lock is taken and the file read again, since another run adding names
  // at the same time would otherwise replace the file with its own names.
  std::optional<TWriteLock> lock;
  std::string bytes;
  std::vector<std::u16string> added;
  for (;;) {
    std::string reason;
    TUserColumnNames names;
    switch (ReadFile(file, bytes, reason)) {
      case TRead::rMissing:
        bytes.clear();
        break;
      case TRead::rFailed:
        return fail(reason);
      case TRead::rOk:
        if (const TResult parsed = TUserColumnNames::Parse(bytes, names); !parsed) {
          return fail(parsed.Message);
        }
        break;
    }
    added.clear();
    for (int32_t c = 0; c < table.ColCount(); ++c) {
      const std::u16string_view name = table.Cells(c, 0);
      if (names.Add(name)) added.emplace_back(name);
    }
    if (added.empty() || lock) break;
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) return failStoring(ec.message());
    try {
      lock.emplace(file);
    } catch (const Error& e) {
      return failStoring(e.what());
    }
  }
  if (added.empty()) return added;
  if (!bytes.empty() && !bytes.ends_with('\n')) bytes += '\n';
  for (const std::u16string& name : added) bytes += ToUtf8(name) + '\n';
  if (bytes.size() > TUserColumnNames::kMaxFileSize) return failStoring("larger than 16 MiB");
  try {
    TSafeFileWriter writer(file);
    if (!writer.Write(bytes.data(), bytes.size()) || !writer.Commit()) {
      return failStoring(SystemErrorText(writer.ErrorCode()));
    }
  } catch (const Error& e) {
    return failStoring(e.what());
  }
  return added;
}

std::optional<std::filesystem::path> UserColumnNamesLocation(const char* xdgDataHome,
                                                             const char* home) {
  std::filesystem::path base;
  if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
    base = xdgDataHome;
  } else if (home != nullptr && home[0] == '/') {
    base = std::filesystem::path(home) / ".local" / "share";
  } else {
    return std::nullopt;
  }
  return base / "tessary" / "column-names.txt";
}

}  // namespace tessary
