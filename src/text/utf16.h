// Conversions between the UTF-16 texts of the core and UTF-8 (messages,
// command-line output, file names).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessary {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; an invalid byte sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);
// Strict UTF-8 for input that must come back exactly: appends the text to
// `out` as UTF-16 and returns npos, or stops at the first byte that does not
// belong to a well-formed sequence (overlong forms, surrogates and values
// above U+10FFFF are not well-formed) and returns its offset, `out` then
// holding what came before it.
size_t AppendWellFormedUtf8(std::string_view text, std::u16string& out);
// The offset of that first byte, or npos; nothing is decoded.
size_t FirstInvalidUtf8(std::string_view text);
// File names are bytes, and a name need not be valid UTF-8. These keep each
// byte of an invalid sequence as a lone surrogate U+DC80 to U+DCFF and turn
// it back into that byte, so that any name comes back unchanged; valid
// UTF-8 and UTF-16 convert as above.
std::u16string FromFileNameBytes(std::string_view bytes);
std::string ToFileNameBytes(std::u16string_view text);
// True when the text holds such a kept byte.
bool HoldsFileNameBytes(std::u16string_view text);

// The 7-bit text as UTF-16 (for literals and fixed texts).
std::u16string Ascii16(std::string_view text);

}  // namespace tessary
