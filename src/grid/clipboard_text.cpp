#include "grid/clipboard_text.h"

#include <algorithm>

#include "text/rich_text.h"

namespace tessary {

namespace {

// "|\" followed by pairs of characters, high byte then low byte of one UTF-16
// code unit each; a lone last character completes no unit and is dropped.
std::u16string DecodeWideText(std::u16string_view text) {
  std::u16string decoded;
  decoded.reserve(text.size() / 2);
  for (size_t i = 2; i + 1 < text.size(); i += 2) {
    decoded += static_cast<char16_t>(((text[i] & 0xFF) << 8) | (text[i + 1] & 0xFF));
  }
  return decoded;
}

}  // namespace

std::u16string CopyCellText(std::u16string_view stored, bool removeHtml) {
  std::u16string text(stored);
  if (removeHtml) {
    if (text.starts_with(u"{\\")) text = RichTextToPlain(text);
    if (text.starts_with(u"|\\")) text = DecodeWideText(text);
    // Markup goes before the line breaks are quoted, so that a "<BR>" or a
    // CR the markup held still travels inside quotes.
    if (text.find(u"</") != std::u16string::npos) {
      text = RemoveHtmlTags(text);
    } else if (text.find(u"{\\") != std::u16string::npos) {
      text = RichTextToPlain(text);
    }
  }
  if (text.find_first_of(u"\r\n") != std::u16string::npos) {
    std::erase(text, u'\r');
    text.insert(text.begin(), u'"');
    text += u'"';
  }
  return text;
}

namespace {

void AppendCopyRow(const TCellTable& table, int32_t left, int32_t right, int32_t row,
                   bool removeHtml, bool lineEnd, std::u16string& out) {
  for (int32_t c = left; c <= right; ++c) {
    if (c > left) out += u'\t';
    out += CopyCellText(table.Cells(c, row), removeHtml);
  }
  if (lineEnd) out += u"\r\n";
}

}  // namespace

std::u16string BuildCopyText(const TCellTable& table, const TGridRect& rect, bool removeHtml) {
  std::u16string out;
  const bool manyRows = rect.Bottom > rect.Top;
  for (int32_t r = rect.Top; r <= rect.Bottom; ++r) {
    AppendCopyRow(table, rect.Left, rect.Right, r, removeHtml, manyRows, out);
  }
  return out;
}

std::u16string BuildCopyText(const TCellTable& table, int32_t left, int32_t right,
                             const std::vector<int32_t>& rows, bool removeHtml) {
  std::u16string out;
  for (int32_t r : rows) AppendCopyRow(table, left, right, r, removeHtml, rows.size() > 1, out);
  return out;
}

std::u16string CutText(TCellTable& table, const TGridRect& rect, bool removeHtml) {
  std::u16string text = BuildCopyText(table, rect, removeHtml);
  const int32_t left = std::max(rect.Left, table.FixedCols());
  const int32_t top = std::max(rect.Top, table.FixedRows());
  for (int32_t r = top; r <= rect.Bottom; ++r) {
    for (int32_t c = left; c <= rect.Right; ++c) {
      if (!table.Cells(c, r).empty()) table.SetCells(c, r, std::u16string());
    }
  }
  return text;
}

namespace {

bool IsLineBreak(char16_t c) { return c == u'\n' || c == u'\r'; }

// The text of a quoted field: vertical tabs, another program's line breaks
// inside a cell, become CR LF.
std::u16string WithVerticalTabsAsBreaks(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c == u'\v') {
      out += u"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// CR LF text: a field holding a LF arrives quoted; the quotes go.
std::u16string Unquote(std::u16string_view field) {
  if (field.find(u'\n') == std::u16string_view::npos) return std::u16string(field);
  if (!field.empty() && field.front() == u'"') field.remove_prefix(1);
  const size_t quote = field.find(u'"');
  if (quote != std::u16string_view::npos && quote + 1 == field.size()) field.remove_suffix(1);
  return WithVerticalTabsAsBreaks(field);
}

void SplitCrLfText(std::u16string_view text, const std::function<bool(TPasteField&)>& emit) {
  TPasteField f;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(u'\r', pos);
    const bool endedByCr = end != std::u16string_view::npos;
    if (!endedByCr) end = text.size();
    const std::u16string_view line = text.substr(pos, end - pos);
    f.Index = 0;
    size_t start = 0;
    while (true) {
      const size_t tab = line.find(u'\t', start);
      const bool last = tab == std::u16string_view::npos;
      const std::u16string_view field =
          line.substr(start, last ? std::u16string_view::npos : tab - start);
      f.Value = field.starts_with(u"|\\") ? std::u16string(field) : Unquote(field);
      f.Written = !last || endedByCr || !field.empty();
      if (!emit(f)) return;
      if (last) break;
      start = tab + 1;
      ++f.Index;
    }
    pos = end;
    if (endedByCr) {
      ++pos;
      if (pos < text.size() && text[pos] == u'\n') ++pos;
    }
    ++f.Line;
  }
}

// Text without CR LF. Every position is looked at a bounded number of
// times: the next closing quote and the next line break are remembered, and
// both only move forward, so a text full of unclosed quotes stays linear.
class TLineFeedSplitter {
 public:
  explicit TLineFeedSplitter(std::u16string_view text) : FText(text) {}

  void Run(const std::function<bool(TPasteField&)>& emit) {
    const size_t n = FText.size();
    TPasteField f;
    size_t pos = 0;
    while (true) {
      size_t end = std::u16string_view::npos;
      if (pos < n && FText[pos] == u'"') {
        const size_t close = NextClosingQuote(pos + 1);
        if (close != std::u16string_view::npos && NextLineBreak(pos + 1) < close) {
          f.Value = WithVerticalTabsAsBreaks(FText.substr(pos + 1, close - pos - 1));
          end = close + 1;
        }
      }
      if (end == std::u16string_view::npos) {
        end = std::min(FText.find_first_of(u"\t\n\r", pos), n);
        f.Value.assign(FText.substr(pos, end - pos));
      }
      const bool lineGoesOn = end < n && FText[end] == u'\t';
      f.Written = end < n || end > pos;
      if (!emit(f) || end >= n) return;
      pos = end + 1;
      if (lineGoesOn) {
        ++f.Index;
      } else {
        if (pos >= n) return;
        ++f.Line;
        f.Index = 0;
      }
    }
  }

 private:
  // The first '"' at or after `from` followed by a tab, a line break or the
  // end of the text.
  size_t NextClosingQuote(size_t from) {
    if (FCloseKnown && (FClose == std::u16string_view::npos || FClose >= from)) return FClose;
    FCloseKnown = true;
    for (size_t q = from; q < FText.size(); ++q) {
      if (FText[q] == u'"' &&
          (q + 1 == FText.size() || FText[q + 1] == u'\t' || IsLineBreak(FText[q + 1]))) {
        return FClose = q;
      }
    }
    return FClose = std::u16string_view::npos;
  }

  size_t NextLineBreak(size_t from) {
    if (FBreakKnown && (FBreak == std::u16string_view::npos || FBreak >= from)) return FBreak;
    FBreakKnown = true;
    return FBreak = FText.find_first_of(u"\n\r", from);
  }

  std::u16string_view FText;
  bool FCloseKnown = false;
  size_t FClose = 0;
  bool FBreakKnown = false;
  size_t FBreak = 0;
};

}  // namespace

void SplitPasteText(std::u16string_view text, const std::function<bool(TPasteField&)>& field) {
  if (text.empty()) return;
  if (text.find(u"\r\n") != std::u16string_view::npos) {
    SplitCrLfText(text, field);
  } else {
    TLineFeedSplitter(text).Run(field);
  }
}

TGridRect PasteText(TCellTable& table, std::u16string_view text, int32_t left, int32_t top,
                    const TBeforePasteCellEvent& beforePasteCell) {
  if (text.empty()) return {left, top, left - 1, top - 1};
  int32_t row = top;
  int64_t line = 0;
  int32_t lastCol = left;
  SplitPasteText(text, [&](TPasteField& f) {
    if (f.Line != line) {
      // Rows grow only while more text follows, and never past the last
      // row the table can hold.
      if (row >= TCellTable::kMaxIndex) return false;
      line = f.Line;
      ++row;
      if (row >= table.RowCount()) table.SetRowCount(row + 1);
    }
    // Fields beyond the last column are dropped: columns never grow.
    const int64_t col = int64_t{left} + f.Index;
    if (f.Written && col < table.ColCount()) {
      bool allow = true;
      if (beforePasteCell) beforePasteCell(static_cast<int32_t>(col), row, f.Value, allow);
      if (allow) table.SetCells(static_cast<int32_t>(col), row, std::move(f.Value));
      lastCol = std::max(lastCol, static_cast<int32_t>(col));
    }
    return true;
  });
  const TGridRect reached{left, top, lastCol, row};
  table.CellsChanged(reached);
  return reached;
}

std::u16string EditorPasteText(std::u16string_view text) {
  if (text.ends_with(u"\r\n") && text.find(u"\r\n") == text.size() - 2) {
    return std::u16string(text.substr(0, text.size() - 2));
  }
  // The same for text from Linux programs: one line and its LF (or CR).
  if (!text.empty() && IsLineBreak(text.back()) && text.find_first_of(u"\r\n") == text.size() - 1) {
    return std::u16string(text.substr(0, text.size() - 1));
  }
  return std::u16string(text);
}

}  // namespace tessary
