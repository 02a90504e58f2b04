// Reads arbitrary bytes as the user dictionary of column names. Reading must
// refuse them or give names that each stand for their own hash, that the
// built-in dictionary does not know, and that read back the same when
// written one a line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "gff/column_names.h"
#include "gff/user_column_names.h"
#include "text/utf16.h"

using namespace tessary;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TUserColumnNames names;
  if (!TUserColumnNames::Parse(bytes, names)) return 0;
  std::string written;
  for (const std::u16string& name : names.Names()) {
    const uint32_t hash = NameToHash(name);
    if (names.Find(hash) != std::u16string_view(name)) std::abort();
    if (HashToName(hash)[0] != u'$' || name[0] == u'$' || names.Accepts(name)) std::abort();
    written += ToUtf8(name) + '\n';
  }
  TUserColumnNames again;
  if (!TUserColumnNames::Parse(written, again) || again.Names() != names.Names()) std::abort();
  return 0;
}
