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
  if (text.find(u'\r') != std::u16string::npos) {
    std::erase(text, u'\r');
    text.insert(text.begin(), u'"');
    text += u'"';
  }
  return text;
}

std::u16string BuildCopyText(const TCellTable& table, const TGridRect& rect, bool removeHtml) {
  std::u16string out;
  const bool manyRows = rect.Bottom > rect.Top;
  for (int32_t r = rect.Top; r <= rect.Bottom; ++r) {
    for (int32_t c = rect.Left; c <= rect.Right; ++c) {
      if (c > rect.Left) out += u'\t';
      out += CopyCellText(table.Cells(c, r), removeHtml);
    }
    if (manyRows) out += u"\r\n";
  }
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

// A field holding a LF arrives quoted: the quotes go, vertical tabs become
// line breaks.
std::u16string Unquote(std::u16string_view field) {
  std::u16string text(field);
  if (text.find(u'\n') == std::u16string::npos) return text;
  if (!text.empty() && text.front() == u'"') text.erase(0, 1);
  const size_t quote = text.find(u'"');
  if (quote != std::u16string::npos && quote + 1 == text.size()) text.pop_back();
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

}  // namespace

TGridRect PasteText(TCellTable& table, std::u16string_view text, int32_t left, int32_t top,
                    const TBeforePasteCellEvent& beforePasteCell) {
  if (text.empty()) return {left, top, left - 1, top - 1};
  int32_t row = top;
  int32_t lastCol = left;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(u'\r', pos);
    const bool endedByCr = end != std::u16string_view::npos;
    if (!endedByCr) end = text.size();
    const std::u16string_view line = text.substr(pos, end - pos);
    size_t next = end;
    if (endedByCr) {
      ++next;
      if (next < text.size() && text[next] == u'\n') ++next;
    }
    int32_t col = left;
    size_t start = 0;
    while (true) {
      const size_t tab = line.find(u'\t', start);
      const bool last = tab == std::u16string_view::npos;
      const std::u16string_view field =
          line.substr(start, last ? std::u16string_view::npos : tab - start);
      const bool write = !last || endedByCr || !field.empty();
      // Fields beyond the last column are dropped: columns never grow.
      if (write && col < table.ColCount()) {
        std::u16string value = field.starts_with(u"|\\") ? std::u16string(field) : Unquote(field);
        bool allow = true;
        if (beforePasteCell) beforePasteCell(col, row, value, allow);
        if (allow) table.SetCells(col, row, std::move(value));
        lastCol = std::max(lastCol, col);
      }
      if (last) break;
      start = tab + 1;
      if (col < table.ColCount()) ++col;
    }
    pos = next;
    // Rows grow only while more text follows, and never past the last row
    // the table can hold.
    if (pos >= text.size() || row >= TCellTable::kMaxIndex) break;
    ++row;
    if (row >= table.RowCount()) table.SetRowCount(row + 1);
  }
  const TGridRect reached{left, top, lastCol, row};
  table.CellsChanged(reached);
  return reached;
}

std::u16string EditorPasteText(std::u16string_view text) {
  if (text.ends_with(u"\r\n") && text.find(u"\r\n") == text.size() - 2) {
    return std::u16string(text.substr(0, text.size() - 2));
  }
  return std::u16string(text);
}

}  // namespace tessary
