// Column names of game data tables. A table stores each column as the
// CRC-32 of its lower-cased name; the dictionary of known names turns the
// hash back into a name, and "$" with eight hex digits stands for the rest.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessary {

// A text with a 32-bit value: a column name with its hash, or a string of
// the table writer's pool with its data-area offset.
struct TGDAStrHash {
  std::u16string_view Name;
  uint32_t Value;
};

// The empty name, then every known name, in ascending order of hash.
extern const std::array<TGDAStrHash, 1271> KnownColumns;

// The hash a name is stored as: 0 for the empty name, the hexadecimal
// value of a "$" name (0 when unreadable), else the CRC-32 of the name's
// lower-cased UTF-16LE bytes.
uint32_t NameToHash(std::u16string_view name);

// The name shown for a stored hash: the dictionary's name, else "$" and
// eight upper-case hexadecimal digits.
std::u16string HashToName(uint32_t hash);

}  // namespace tessary
