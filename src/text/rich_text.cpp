#include "text/rich_text.h"

#include <vector>

namespace tessary {
namespace {

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexDigit(char16_t c) {
  if (IsDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool EqualsIgnoreCase(std::u16string_view text, size_t at, std::u16string_view upper) {
  if (at + upper.size() > text.size()) return false;
  for (size_t i = 0; i < upper.size(); ++i) {
    char16_t c = text[at + i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c != upper[i]) return false;
  }
  return true;
}

// Destination groups whose text is not shown.
bool IsHiddenDestination(std::u16string_view word) {
  static constexpr std::u16string_view kHidden[] = {
      u"fonttbl", u"colortbl",  u"stylesheet",        u"info",     u"pict", u"object", u"header",
      u"footer",  u"listtable", u"listoverridetable", u"generator"};
  for (std::u16string_view h : kHidden) {
    if (word == h) return true;
  }
  return false;
}

}  // namespace

std::u16string RichTextToPlain(std::u16string_view rtf) {
  std::u16string out;
  struct Group {
    bool Hidden;
    int SkipAfterUnicode;
  };
  std::vector<Group> groups{{false, 1}};
  int pendingSkip = 0;  // fallback characters still to drop after \uN
  bool groupStart = false;
  size_t i = 0;
  while (i < rtf.size()) {
    const char16_t c = rtf[i];
    Group& g = groups.back();
    if (c == u'{') {
      groups.push_back(g);
      groupStart = true;
      ++i;
      continue;
    }
    if (c == u'}') {
      if (groups.size() > 1) groups.pop_back();
      groupStart = false;
      ++i;
      continue;
    }
    if (c == u'\\') {
      if (i + 1 >= rtf.size()) break;
      const char16_t n = rtf[i + 1];
      if (n == u'\\' || n == u'{' || n == u'}') {
        if (pendingSkip > 0) {
          --pendingSkip;
        } else if (!g.Hidden) {
          out += n;
        }
        i += 2;
        groupStart = false;
        continue;
      }
      if (n == u'*') {
        if (groupStart) g.Hidden = true;
        i += 2;
        continue;
      }
      if (n == u'\'') {
        int hi = i + 2 < rtf.size() ? HexDigit(rtf[i + 2]) : -1;
        int lo = i + 3 < rtf.size() ? HexDigit(rtf[i + 3]) : -1;
        i += 4;
        if (hi < 0 || lo < 0) continue;
        if (pendingSkip > 0) {
          --pendingSkip;
        } else if (!g.Hidden) {
          out += static_cast<char16_t>(hi * 16 + lo);  // Latin-1 reading of the byte
        }
        groupStart = false;
        continue;
      }
      if (!IsLetter(n)) {
        if (n == u'~' && !g.Hidden) out += u'\u00A0';
        i += 2;
        continue;
      }
      size_t j = i + 1;
      while (j < rtf.size() && IsLetter(rtf[j])) ++j;
      std::u16string_view word = rtf.substr(i + 1, j - i - 1);
      bool negative = false;
      if (j < rtf.size() && rtf[j] == u'-') {
        negative = true;
        ++j;
      }
      long value = 0;
      bool hasValue = false;
      while (j < rtf.size() && IsDigit(rtf[j])) {
        if (value < 1000000) value = value * 10 + (rtf[j] - u'0');
        hasValue = true;
        ++j;
      }
      if (negative) value = -value;
      if (j < rtf.size() && rtf[j] == u' ') ++j;  // the delimiter belongs to the word
      i = j;
      if (groupStart && IsHiddenDestination(word)) g.Hidden = true;
      groupStart = false;
      if (g.Hidden) continue;
      if (word == u"par" || word == u"line" || word == u"row") {
        out += u"\r\n";
      } else if (word == u"tab" || word == u"cell") {
        out += u'\t';
      } else if (word == u"uc" && hasValue) {
        g.SkipAfterUnicode = static_cast<int>(value);
      } else if (word == u"u" && hasValue) {
        out += static_cast<char16_t>(value < 0 ? value + 65536 : value);
        pendingSkip = g.SkipAfterUnicode;
      } else if (word == u"emdash") {
        out += u'\u2014';
      } else if (word == u"endash") {
        out += u'\u2013';
      } else if (word == u"bullet") {
        out += u'\u2022';
      }
      continue;
    }
    groupStart = false;
    if (c == u'\r' || c == u'\n') {
      ++i;
      continue;
    }
    if (pendingSkip > 0) {
      --pendingSkip;
    } else if (!g.Hidden) {
      out += c;
    }
    ++i;
  }
  // A trailing paragraph mark ends the text, it adds no empty line.
  while (out.size() >= 2 && out.compare(out.size() - 2, 2, u"\r\n") == 0)
    out.resize(out.size() - 2);
  return out;
}

std::u16string RemoveHtmlTags(std::u16string_view text) {
  std::u16string breaks;
  breaks.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (EqualsIgnoreCase(text, i, u"<BR>") || EqualsIgnoreCase(text, i, u"<HR>")) {
      breaks += u"\r\n";
      i += 4;
    } else {
      breaks += text[i++];
    }
  }
  std::u16string out;
  out.reserve(breaks.size());
  size_t i = 0;
  while (i < breaks.size()) {
    if (breaks[i] == u'<') {
      size_t close = breaks.find(u'>', i + 1);
      if (close == std::u16string::npos) {
        out.append(breaks, i, std::u16string::npos);
        break;
      }
      i = close + 1;
    } else {
      out += breaks[i++];
    }
  }
  return out;
}

}  // namespace tessary
