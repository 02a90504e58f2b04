#include "grid/find_replace.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <memory>

namespace tessary {

namespace {

// Simple case folding of every BMP code unit, built once: a table lookup per
// character keeps a search over ten million cells fast. Surrogates map to
// themselves here; pairs are folded as whole code points below.
const char16_t* BmpFoldTable() {
  static const std::unique_ptr<char16_t[]> table = [] {
    auto t = std::make_unique<char16_t[]>(0x10000);
    for (UChar32 c = 0; c < 0x10000; ++c) {
      const UChar32 folded = (c >= 0xD800 && c <= 0xDFFF) ? c : u_foldCase(c, U_FOLD_CASE_DEFAULT);
      // Simple folding stays within the BMP; anything else would change the
      // text's length, so the character is then kept as it is.
      t[c] = static_cast<char16_t>(folded <= 0xFFFF ? folded : c);
    }
    return t;
  }();
  return table.get();
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// `out` becomes the folded form of `text`, of the same length.
void FoldInto(std::u16string_view text, std::u16string& out) {
  const char16_t* table = BmpFoldTable();
  out.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
      const UChar32 cp = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      const UChar32 folded = u_foldCase(cp, U_FOLD_CASE_DEFAULT);
      if (folded > 0xFFFF) {
        out[i] = static_cast<char16_t>(0xD800 + ((folded - 0x10000) >> 10));
        out[i + 1] = static_cast<char16_t>(0xDC00 + ((folded - 0x10000) & 0x3FF));
      } else {
        out[i] = c;
        out[i + 1] = text[i + 1];
      }
      ++i;
    } else {
      out[i] = table[c];
    }
  }
}

// The cells Find looks at: columns C0..C1 of the shown rows R0..R1 (empty
// when C0 > C1 or R0 > R1).
struct TArea {
  int32_t C0, C1, R0, R1;
  const TTableFilter* Filter;
  bool Empty() const { return C0 > C1 || R0 > R1; }
  bool Shows(int32_t r) const { return !Filter || Filter->Shows(r); }
  bool Holds(TGridCoord c) const {
    return c.X >= C0 && c.X <= C1 && c.Y >= R0 && c.Y <= R1 && Shows(c.Y);
  }
};

TArea SearchArea(const TCellTable& t, const TFindScope& scope) {
  TArea a{t.FixedCols(), t.ColCount() - 1, t.FixedRows(), t.RowCount() - 1, scope.Filter};
  if (const std::optional<TGridRect>& s = scope.Selection) {
    a.C0 = std::max(a.C0, s->Left);
    a.C1 = std::min(a.C1, s->Right);
    a.R0 = std::max(a.R0, s->Top);
    a.R1 = std::min(a.R1, s->Bottom);
  }
  return a;
}

// The first match in reading order from `first` to `last`, both included.
std::optional<TGridCoord> Scan(const TCellTable& t, const TTextMatcher& m, const TArea& a,
                               TGridCoord first, TGridCoord last) {
  for (int32_t r = first.Y; r <= last.Y; ++r) {
    if (!a.Shows(r)) continue;
    t.PrefetchRow(r + 1);
    const int32_t to = r == last.Y ? last.X : a.C1;
    for (int32_t c = r == first.Y ? first.X : a.C0; c <= to; ++c) {
      if (m.Matches(t.Cells(c, r))) return TGridCoord{c, r};
    }
  }
  return std::nullopt;
}

}  // namespace

std::u16string FoldCase(std::u16string_view text) {
  std::u16string folded;
  FoldInto(text, folded);
  return folded;
}

TTextMatcher::TTextMatcher(const TFindOptions& options)
    : FMatchCase(options.MatchCase), FWholeCell(options.WholeCell) {
  if (FMatchCase) {
    FNeedle = options.Text;
  } else {
    FoldInto(options.Text, FNeedle);
  }
}

size_t TTextMatcher::FindIn(std::u16string_view text, size_t from) const {
  if (FWholeCell) return from == 0 && text == FNeedle ? 0 : std::u16string_view::npos;
  return text.find(FNeedle, from);
}

bool TTextMatcher::Matches(std::u16string_view text) const {
  // Folding keeps the length, so a cell of the wrong length is passed over
  // before any folding.
  if (FNeedle.empty() || text.size() < FNeedle.size()) return false;
  if (FWholeCell && text.size() != FNeedle.size()) return false;
  if (FMatchCase) return FindIn(text, 0) != std::u16string_view::npos;
  FoldInto(text, FFolded);
  return FindIn(FFolded, 0) != std::u16string_view::npos;
}

std::optional<std::u16string> TTextMatcher::Replace(std::u16string_view text,
                                                    std::u16string_view replacement) const {
  if (!Matches(text)) return std::nullopt;
  // Positions in the folded text are positions in the text itself.
  const std::u16string_view searched = FMatchCase ? text : std::u16string_view(FFolded);
  std::u16string out;
  size_t done = 0;
  for (size_t at = FindIn(searched, 0); at != std::u16string_view::npos;
       at = FindIn(searched, done)) {
    out.append(text.substr(done, at - done));
    out.append(replacement);
    done = at + FNeedle.size();
  }
  out.append(text.substr(done));
  if (out == text) return std::nullopt;
  return out;
}

std::optional<TFindResult> FindNext(const TCellTable& table, const TFindOptions& options,
                                    TGridCoord from, const TFindScope& scope) {
  const TArea a = SearchArea(table, scope);
  if (a.Empty() || options.Text.empty()) return std::nullopt;
  const TTextMatcher matcher(options);
  const TGridCoord first{a.C0, a.R0};
  const TGridCoord last{a.C1, a.R1};
  if (!a.Holds(from)) {
    if (auto found = Scan(table, matcher, a, first, last)) return TFindResult{*found, false};
    return std::nullopt;
  }
  // The cell after `from` may lie just past the end of its row; Scan then
  // goes on with the next row.
  if (auto found = Scan(table, matcher, a, {from.X + 1, from.Y}, last)) {
    return TFindResult{*found, false};
  }
  if (auto found = Scan(table, matcher, a, first, from)) return TFindResult{*found, true};
  return std::nullopt;
}

std::optional<TCellEdit> ReplaceInCell(const TCellTable& table, const TFindOptions& options,
                                       std::u16string_view replacement, TGridCoord cell,
                                       const TFindScope& scope) {
  if (!SearchArea(table, scope).Holds(cell)) return std::nullopt;
  const std::u16string_view old = table.Cells(cell.X, cell.Y);
  std::optional<std::u16string> replaced = TTextMatcher(options).Replace(old, replacement);
  if (!replaced) return std::nullopt;
  return TCellEdit{cell.X, cell.Y, std::u16string(old), std::move(*replaced)};
}

std::vector<TCellEdit> ReplaceAll(const TCellTable& table, const TFindOptions& options,
                                  std::u16string_view replacement, const TFindScope& scope) {
  std::vector<TCellEdit> edits;
  const TArea a = SearchArea(table, scope);
  if (a.Empty() || options.Text.empty()) return edits;
  const TTextMatcher matcher(options);
  for (int32_t r = a.R0; r <= a.R1; ++r) {
    if (!a.Shows(r)) continue;
    for (int32_t c = a.C0; c <= a.C1; ++c) {
      const std::u16string_view old = table.Cells(c, r);
      if (std::optional<std::u16string> replaced = matcher.Replace(old, replacement)) {
        edits.push_back({c, r, std::u16string(old), std::move(*replaced)});
      }
    }
  }
  return edits;
}

void ApplyCellEdits(TCellTable& table, const std::vector<TCellEdit>& edits) {
  for (const TCellEdit& e : edits) table.SetCells(e.Col, e.Row, e.New);
}

void RevertCellEdits(TCellTable& table, const std::vector<TCellEdit>& edits) {
  for (auto it = edits.rbegin(); it != edits.rend(); ++it)
    table.SetCells(it->Col, it->Row, it->Old);
}

}  // namespace tessary
