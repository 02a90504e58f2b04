#include "grid/table_sort.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "text/column_type.h"
#include "text/number_text.h"

namespace tessary {

namespace {

// What a cell sorts as: a number, another text, or nothing.
enum class TRank : uint8_t { rkNumber, rkText, rkEmpty };

struct TSortEntry {
  TRank Rank;
  double Number;  // rkNumber
  uint32_t Key;   // rkText of a string column: its collation key in the key pool
  std::u16string_view Text;
  int32_t Row;
};

std::optional<double> NumberOf(TColumnType type, std::u16string_view text) {
  if (type == TColumnType::Float) {
    if (const std::optional<double> value = ParseRealAs<double>(text)) return value;
    // The infinities FormatReal writes; its "NAN" is no number to sort by.
    const std::optional<float> stored = ParseStoredFloat(text);
    if (stored && std::isinf(*stored)) return static_cast<double>(*stored);
    return std::nullopt;
  }
  if (const std::optional<int32_t> value = ParseInteger(text)) return static_cast<double>(*value);
  return std::nullopt;
}

struct TCollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};

// Collation keys of every text entry, one after the other in `pool`, each
// ending with a zero byte, so that keys compare with strcmp.
void MakeCollationKeys(std::vector<TSortEntry>& entries, const std::string& locale,
                       std::vector<uint8_t>& pool) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UCollator, TCollatorCloser> collator(
      ucol_open(locale.empty() ? nullptr : locale.c_str(), &status));
  if (U_FAILURE(status)) {
    // No collation to be had: code-unit order, which ties below break.
    for (TSortEntry& e : entries) e.Key = 0;
    pool.assign(1, 0);
    return;
  }
  pool.reserve(entries.size() * 24);
  for (TSortEntry& e : entries) {
    if (e.Rank != TRank::rkText) continue;
    const auto* text = reinterpret_cast<const UChar*>(e.Text.data());
    const auto length = static_cast<int32_t>(e.Text.size());
    const size_t at = pool.size();
    pool.resize(at + 64);
    int32_t needed = ucol_getSortKey(collator.get(), text, length, pool.data() + at, 64);
    if (needed > 64) {
      pool.resize(at + static_cast<size_t>(needed));
      needed = ucol_getSortKey(collator.get(), text, length, pool.data() + at, needed);
    }
    // A zero byte after the key, whether or not ICU counted its own.
    pool.resize(at + static_cast<size_t>(std::max(needed, 0)) + 1);
    pool.back() = 0;
    e.Key = static_cast<uint32_t>(at);
  }
}

}  // namespace

std::vector<int32_t> SortedRows(const TCellTable& table, int32_t col, std::vector<int32_t> rows,
                                TSortOrder order, const std::string& locale) {
  const TColumnType type = ColumnTypeOf(table.Cells(col, 1)).value_or(TColumnType::String);
  const bool numeric =
      type == TColumnType::Int || type == TColumnType::Float || type == TColumnType::Bool;
  std::vector<TSortEntry> entries;
  entries.reserve(rows.size());
  for (int32_t r : rows) {
    TSortEntry e{TRank::rkEmpty, 0, 0, table.Cells(col, r), r};
    if (!e.Text.empty()) {
      const std::optional<double> number = numeric ? NumberOf(type, e.Text) : std::nullopt;
      e.Rank = number ? TRank::rkNumber : TRank::rkText;
      e.Number = number.value_or(0);
    }
    entries.push_back(e);
  }
  std::vector<uint8_t> keys;
  if (!numeric) MakeCollationKeys(entries, locale, keys);

  const bool descending = order == TSortOrder::soDescending;
  // Negative when a sorts before b in ascending order, within one rank.
  auto compare = [&](const TSortEntry& a, const TSortEntry& b) -> int {
    if (a.Rank == TRank::rkNumber) return a.Number < b.Number ? -1 : a.Number > b.Number ? 1 : 0;
    if (a.Rank == TRank::rkEmpty) return 0;
    if (!numeric) {
      const int byKey = std::strcmp(reinterpret_cast<const char*>(keys.data() + a.Key),
                                    reinterpret_cast<const char*>(keys.data() + b.Key));
      if (byKey != 0) return byKey;
    }
    return a.Text.compare(b.Text);
  };
  std::stable_sort(entries.begin(), entries.end(), [&](const TSortEntry& a, const TSortEntry& b) {
    if (a.Rank != b.Rank) return a.Rank < b.Rank;
    const int c = compare(a, b);
    return descending ? c > 0 : c < 0;
  });
  for (size_t i = 0; i < entries.size(); ++i) rows[i] = entries[i].Row;
  return rows;
}

}  // namespace tessary
