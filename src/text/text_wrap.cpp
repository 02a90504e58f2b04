#include "text/text_wrap.h"

namespace tessary {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

}  // namespace

std::vector<TTextLine> WrapAtBlanks(std::u16string_view text, int32_t width,
                                    const TTextAdvance& advance, size_t maxLines) {
  std::vector<TTextLine> lines;
  size_t pos = 0;
  while (lines.size() < maxLines && pos <= text.size()) {
    // One line of the text as typed: [pos, end).
    size_t end = pos;
    while (end < text.size() && !IsBreak(text[end])) ++end;

    size_t start = pos;
    while (lines.size() < maxLines) {
      // Extend the line word by word while it fits; the first word always
      // stays, however wide.
      size_t fits = start;
      while (fits < end) {
        size_t wordEnd = fits;
        while (wordEnd < end && IsBlank(text[wordEnd])) ++wordEnd;  // blanks before it
        while (wordEnd < end && !IsBlank(text[wordEnd])) ++wordEnd;
        if (fits > start && advance(text.substr(start, wordEnd - start)) > width) break;
        fits = wordEnd;
      }
      lines.push_back({start, fits - start});
      start = fits;
      while (start < end && IsBlank(text[start])) ++start;
      if (start >= end) break;
    }

    if (end >= text.size()) break;
    // Past the break: CR LF counts as one.
    pos = end + ((text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1);
  }
  return lines;
}

}  // namespace tessary
