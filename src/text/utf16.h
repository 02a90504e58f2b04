// Conversions between the UTF-16 texts of the core and UTF-8 (messages,
// command-line output, file names).
#pragma once

#include <string>
#include <string_view>

namespace tessary {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; an invalid byte sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);
// The 7-bit text as UTF-16 (for literals and fixed texts).
std::u16string Ascii16(std::string_view text);

}  // namespace tessary
