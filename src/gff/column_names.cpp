#include "gff/column_names.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "text/number_text.h"

namespace tessary {

uint32_t NameToHash(std::u16string_view name) {
  if (name.empty()) return 0;
  if (name[0] == u'$') {
    std::optional<int32_t> value = ParseInteger(name);
    return value ? static_cast<uint32_t>(*value) : 0;
  }
  std::vector<unsigned char> bytes;
  bytes.reserve(name.size() * 2);
  for (char16_t c : AsciiLower(name)) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>(c >> 8));
  }
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, bytes.data(), static_cast<uInt>(bytes.size()));
  return static_cast<uint32_t>(crc);
}

std::u16string HashToName(uint32_t hash) {
  auto it = std::lower_bound(KnownColumns.begin(), KnownColumns.end(), hash,
                             [](const TGDAStrHash& entry, uint32_t h) { return entry.Value < h; });
  if (it != KnownColumns.end() && it->Value == hash) return std::u16string(it->Name);
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string text = u"$";
  for (int shift = 28; shift >= 0; shift -= 4) text += kHex[(hash >> shift) & 0xF];
  return text;
}

}  // namespace tessary
