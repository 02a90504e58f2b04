// The user's dictionary of column names. Tables store only the hash of a
// column name, so a name the built-in dictionary does not know reads back as
// "$XXXXXXXX". The editor keeps the names it saved in a plain UTF-8 text
// file, one name a line, and consults it after the built-in dictionary.
//
// The core never decides where the file lives and never reads the
// environment: the window and the command-line tool find the location with
// UserColumnNamesLocation and pass it in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/error.h"
#include "common/result.h"

namespace tessary {

class TCellTable;

class TUserColumnNames {
 public:
  // Files above this size are taken as damaged, not read into memory.
  static constexpr size_t kMaxFileSize = 16 * 1024 * 1024;

  // The dictionary in a file's bytes: an optional byte order mark, lines
  // ended by LF (a CR before it is dropped). Lines that do not qualify (see
  // Accepts) are passed over, and of two names with one hash the first is
  // kept. A failure, with the reason, when the bytes are damaged.
  static TResult Parse(std::string_view bytes, TUserColumnNames& names);
  // Reads the file. A missing file is an empty dictionary. An unreadable or
  // damaged one is ignored: one call of `warn`, and an empty dictionary.
  static TUserColumnNames Load(const std::filesystem::path& file, const TMessageHandler& warn);

  // The user's name for a hash.
  std::optional<std::u16string_view> Find(uint32_t hash) const;

  // Whether a name qualifies: not empty, not a hash text (every name that
  // starts with "$" is read as one), free of control characters, unpaired
  // surrogates and a leading U+FEFF (so it stays one line and reads back
  // unchanged),
  // its hash unknown to the built-in dictionary and not yet held here.
  bool Accepts(std::u16string_view name) const;
  // Adds a name that qualifies; false otherwise.
  bool Add(std::u16string_view name);

  // The names held, in the file's order.
  const std::vector<std::u16string>& Names() const { return FNames; }

 private:
  std::vector<std::u16string> FNames;
  std::unordered_map<uint32_t, size_t> FByHash;  // hash -> index in FNames
};

// The name shown for a stored hash: the built-in dictionary's, else the
// user's, else "$" and eight hexadecimal digits.
std::u16string HashToName(uint32_t hash, const TUserColumnNames& user);

// For a table just read: each name of row 0 that shows a hash as "$" and
// eight hexadecimal digits and that the user dictionary knows becomes the
// user's name. Returns how many names changed.
int ApplyUserColumnNames(TCellTable& table, const TUserColumnNames& user);

// After a save: the names of row 0 that qualify are added to the file. The
// file is read again first (another run may have added names since), and
// replaced whole, so that it is never left half-written. Returns the names
// added (none: the file is not touched). Nothing when the file is
// unreadable or damaged (the warning says it is ignored), or cannot be
// written (the warning says that new names cannot be stored while the
// names it holds are still used): then `warn` was called once and the file
// is unchanged. Runs adding names at the same time take turns (TWriteLock).
std::optional<std::vector<std::u16string>> AddUserColumnNames(const std::filesystem::path& file,
                                                              const TCellTable& table,
                                                              const TMessageHandler& warn);

// Where the dictionary lives: $XDG_DATA_HOME/tessary/column-names.txt, or
// $HOME/.local/share/tessary/column-names.txt when XDG_DATA_HOME is unset,
// empty or not an absolute path. Nothing when neither gives an absolute
// folder. The caller passes the two variables' values (nullptr when unset).
std::optional<std::filesystem::path> UserColumnNamesLocation(const char* xdgDataHome,
                                                             const char* home);

}  // namespace tessary
