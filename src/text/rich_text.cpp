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

namespace {

// Reads RTF: groups, control symbols and control words, keeping the text a
// reader shows.
class TRtfReader {
 public:
  explicit TRtfReader(std::u16string_view rtf) : FRtf(rtf) {}
  std::u16string Read();

 private:
  struct TGroup {
    bool Hidden;
    int SkipAfterUnicode;
  };

  // The control symbol or word at the backslash at FPos.
  void Control();
  void ControlWord();
  // A character of the text, unless it is a fallback after \uN or in a
  // hidden group.
  void Emit(char16_t c);

  std::u16string_view FRtf;
  size_t FPos = 0;
  std::u16string FOut;
  std::vector<TGroup> FGroups{{false, 1}};
  int FPendingSkip = 0;  // fallback characters still to drop after \uN
  bool FGroupStart = false;
};

std::u16string TRtfReader::Read() {
  while (FPos < FRtf.size()) {
    const char16_t c = FRtf[FPos];
    if (c == u'{') {
      FGroups.push_back(FGroups.back());
      FGroupStart = true;
      ++FPos;
    } else if (c == u'}') {
      if (FGroups.size() > 1) FGroups.pop_back();
      FGroupStart = false;
      ++FPos;
    } else if (c == u'\\') {
      if (FPos + 1 >= FRtf.size()) break;
      Control();
    } else {
      FGroupStart = false;
      if (c != u'\r' && c != u'\n') Emit(c);
      ++FPos;
    }
  }
  // A trailing paragraph mark ends the text, it adds no empty line.
  while (FOut.size() >= 2 && FOut.compare(FOut.size() - 2, 2, u"\r\n") == 0) {
    FOut.resize(FOut.size() - 2);
  }
  return std::move(FOut);
}

void TRtfReader::Control() {
  const char16_t n = FRtf[FPos + 1];
  if (n == u'\\' || n == u'{' || n == u'}') {
    Emit(n);
    FPos += 2;
    FGroupStart = false;
  } else if (n == u'*') {
    if (FGroupStart) FGroups.back().Hidden = true;
    FPos += 2;
  } else if (n == u'\'') {
    const int hi = FPos + 2 < FRtf.size() ? HexDigit(FRtf[FPos + 2]) : -1;
    const int lo = FPos + 3 < FRtf.size() ? HexDigit(FRtf[FPos + 3]) : -1;
    FPos += 4;
    if (hi < 0 || lo < 0) return;
    Emit(static_cast<char16_t>(hi * 16 + lo));  // Latin-1 reading of the byte
    FGroupStart = false;
  } else if (!IsLetter(n)) {
    if (n == u'~' && !FGroups.back().Hidden) FOut += u'\u00A0';
    FPos += 2;
  } else {
    ControlWord();
  }
}

void TRtfReader::ControlWord() {
  size_t j = FPos + 1;
  while (j < FRtf.size() && IsLetter(FRtf[j])) ++j;
  const std::u16string_view word = FRtf.substr(FPos + 1, j - FPos - 1);
  bool negative = false;
  if (j < FRtf.size() && FRtf[j] == u'-') {
    negative = true;
    ++j;
  }
  long value = 0;
  bool hasValue = false;
  while (j < FRtf.size() && IsDigit(FRtf[j])) {
    if (value < 1000000) value = value * 10 + (FRtf[j] - u'0');
    hasValue = true;
    ++j;
  }
  if (negative) value = -value;
  if (j < FRtf.size() && FRtf[j] == u' ') ++j;  // the delimiter belongs to the word
  FPos = j;
  TGroup& g = FGroups.back();
  if (FGroupStart && IsHiddenDestination(word)) g.Hidden = true;
  FGroupStart = false;
  if (g.Hidden) return;
  if (word == u"par" || word == u"line" || word == u"row") {
    FOut += u"\r\n";
  } else if (word == u"tab" || word == u"cell") {
    FOut += u'\t';
  } else if (word == u"uc" && hasValue) {
    g.SkipAfterUnicode = static_cast<int>(value);
  } else if (word == u"u" && hasValue) {
    FOut += static_cast<char16_t>(value < 0 ? value + 65536 : value);
    FPendingSkip = g.SkipAfterUnicode;
  } else if (word == u"emdash") {
    FOut += u'\u2014';
  } else if (word == u"endash") {
    FOut += u'\u2013';
  } else if (word == u"bullet") {
    FOut += u'\u2022';
  }
}

void TRtfReader::Emit(char16_t c) {
  if (FPendingSkip > 0) {
    --FPendingSkip;
  } else if (!FGroups.back().Hidden) {
    FOut += c;
  }
}

}  // namespace

std::u16string RichTextToPlain(std::u16string_view rtf) { return TRtfReader(rtf).Read(); }

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
