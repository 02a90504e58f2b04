#include "text/stored_value.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "text/number_text.h"
#include "text/utf16.h"

namespace tessary {

std::optional<uint32_t> StoredBits(TColumnType type, std::u16string_view text) {
  switch (type) {
    case TColumnType::ctInt:
      if (const std::optional<int32_t> value = ParseInteger(text)) {
        return static_cast<uint32_t>(*value);
      }
      return std::nullopt;
    case TColumnType::ctBool:
      if (const std::optional<bool> value = ParseBool(text)) return *value ? 1u : 0u;
      return std::nullopt;
    case TColumnType::ctFloat:
      // FormatReal's NAN, INF and -INF are values; a value that does not
      // round to a finite 32-bit float is written as 0.
      if (const std::optional<float> f = ParseStoredFloat(text)) {
        uint32_t bits = 0;
        std::memcpy(&bits, &*f, 4);
        return bits;
      }
      return std::nullopt;
    case TColumnType::ctString:
    case TColumnType::ctResource:
      break;
  }
  return std::nullopt;
}

bool CannotBeStored(TColumnType type, std::u16string_view text) {
  if (text.empty() || type == TColumnType::ctString || type == TColumnType::ctResource)
    return false;
  if (type == TColumnType::ctBool) {
    const std::optional<int32_t> value = ParseInteger(text);
    return !value || (*value != 0 && *value != 1);
  }
  return !StoredBits(type, text).has_value();
}

namespace {

// Code units a message would show as nothing, or would break a line with.
bool IsInvisible(char16_t c) {
  return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0xAD ||
         (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF;
}

std::string Quoted(std::u16string_view text) {
  constexpr size_t kShown = 40;
  std::u16string shown;
  for (size_t i = 0; i < text.size() && i < kShown; ++i) {
    const char16_t c = text[i];
    if (!IsInvisible(c)) {
      shown += c;
      continue;
    }
    char code[12];
    std::snprintf(code, sizeof code, "<U+%04X>", static_cast<unsigned>(c));
    shown += Ascii16(code);
  }
  // Built by appending: GCC 12 at -O3 reports a false overlap when
  // temporaries are joined here (-Wrestrict, GCC bug 105329).
  std::string out(1, '\'');
  out.append(ToUtf8(shown));
  if (text.size() > kShown) out.append("...");
  out.push_back('\'');
  return out;
}

// Blanks, a sign and digits (decimal, or hexadecimal after a prefix): an
// integer, whatever its size.
bool LooksLikeInteger(std::u16string_view text) {
  size_t i = text.find_first_not_of(u' ');
  if (i == std::u16string_view::npos) return false;
  if (text[i] == u'-' || text[i] == u'+') ++i;
  bool hex = false;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' &&
             (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool digit =
        (c >= u'0' && c <= u'9') || (hex && ((c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')));
    if (!digit) return false;
  }
  return true;
}

}  // namespace

std::string WhyCannotBeStored(TColumnType type, std::u16string_view text) {
  const std::string shown = Quoted(text);
  switch (type) {
    case TColumnType::ctInt:
      if (LooksLikeInteger(text))
        return shown + " is outside the int range (-2147483648 to 2147483647)";
      return shown + " is not a whole number";
    case TColumnType::ctFloat:
      if (ParseReal(text))
        return shown + " is outside the float range (-3.40282346638529E38 to 3.40282346638529E38)";
      return shown + " is not a number";
    case TColumnType::ctBool:
      return shown + " is not 0 or 1";
    case TColumnType::ctString:
    case TColumnType::ctResource:
      break;
  }
  return {};
}

size_t TIdKeyHash::operator()(const TIdKey& k) const noexcept {
  if (k.IsText) return std::hash<std::u16string_view>{}(k.Text);
  return std::hash<uint32_t>{}(k.Bits) ^ 0x9E3779B97F4A7C15ull;
}

std::optional<TIdKey> StoredIdKey(std::optional<TColumnType> type, std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  const TColumnType t = type.value_or(TColumnType::ctString);
  if (t == TColumnType::ctString || t == TColumnType::ctResource) {
    TIdKey key;
    key.IsText = true;
    key.Text = text;
    return key;
  }
  const std::optional<uint32_t> bits = StoredBits(t, text);
  if (!bits) return std::nullopt;
  TIdKey key;
  key.Bits = *bits;
  return key;
}

bool IsIdColumnName(std::u16string_view name) {
  return name.size() == 2 && (name[0] == u'I' || name[0] == u'i') &&
         (name[1] == u'D' || name[1] == u'd');
}

}  // namespace tessary
