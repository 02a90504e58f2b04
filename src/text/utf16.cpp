#include "text/utf16.h"

#include <algorithm>

namespace tessary {

namespace {

bool IsKeptByte(std::u16string_view text, size_t i) {
  const char16_t c = text[i];
  const bool afterLead = i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
  return c >= 0xDC80 && c <= 0xDCFF && !afterLead;
}

std::string ToUtf8Keeping(std::u16string_view text, bool keepBytes) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    // A run of ASCII, the common case, goes in one step.
    size_t end = i;
    while (end < text.size() && text[end] < 0x80) ++end;
    if (end > i) {
      const size_t at = out.size();
      out.resize(at + (end - i));
      for (size_t k = i; k < end; ++k) out[at + k - i] = static_cast<char>(text[k]);
      i = end - 1;
      continue;
    }
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (keepBytes && IsKeptByte(text, i)) {
      out.push_back(static_cast<char>(c - 0xDC00));
      continue;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// Decodes well-formed UTF-8, handing each code point to `put`; returns the
// offset of the first byte of an ill-formed sequence, or npos.
template <typename TPut>
size_t DecodeWellFormed(std::string_view text, TPut&& put) {
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      put(b);
      ++i;
      continue;
    }
    size_t len = 0;
    char32_t c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      c = b & 0x07;
    } else {
      return i;
    }
    if (i + len > text.size()) return i;
    for (size_t k = 1; k < len; ++k) {
      const auto cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) return i;
      c = (c << 6) | (cont & 0x3F);
    }
    if ((len == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
        (len == 4 && (c < 0x10000 || c > 0x10FFFF))) {
      return i;
    }
    put(c);
    i += len;
  }
  return std::string_view::npos;
}

std::u16string FromUtf8Keeping(std::string_view text, bool keepBytes) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t c = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
    }
    if (len > 1) {
      if (i + len > text.size()) {
        len = 1;
      } else {
        c = b & (0x7F >> len);
        bool valid = true;
        for (size_t k = 1; k < len; ++k) {
          const unsigned char cont = static_cast<unsigned char>(text[i + k]);
          if ((cont & 0xC0) != 0x80) {
            valid = false;
            break;
          }
          c = (c << 6) | (cont & 0x3F);
        }
        static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
          c = 0xFFFD;
          len = 1;
        }
      }
    }
    if (keepBytes && c == 0xFFFD && len == 1 && b >= 0x80) c = 0xDC00 + b;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += len;
  }
  return out;
}

}  // namespace

std::string ToUtf8(std::u16string_view text) { return ToUtf8Keeping(text, false); }
std::u16string FromUtf8(std::string_view text) { return FromUtf8Keeping(text, false); }
std::u16string FromFileNameBytes(std::string_view bytes) { return FromUtf8Keeping(bytes, true); }
std::string ToFileNameBytes(std::u16string_view text) { return ToUtf8Keeping(text, true); }

bool HoldsFileNameBytes(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsKeptByte(text, i)) return true;
  }
  return false;
}

std::u16string Ascii16(std::string_view text) { return std::u16string(text.begin(), text.end()); }

size_t AppendWellFormedUtf8(std::string_view text, std::u16string& out) {
  // A leading run of ASCII, the common case, goes in one step.
  size_t ascii = 0;
  while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
  const size_t at = out.size();
  out.resize(at + ascii);
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(ascii), out.begin() + at);
  if (ascii == text.size()) return std::string_view::npos;
  const size_t bad = DecodeWellFormed(text.substr(ascii), [&out](char32_t c) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  });
  return bad == std::string_view::npos ? bad : ascii + bad;
}

size_t FirstInvalidUtf8(std::string_view text) {
  return DecodeWellFormed(text, [](char32_t) {});
}

}  // namespace tessary
