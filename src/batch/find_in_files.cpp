#include "batch/find_in_files.h"

#include <vector>

#include "gff/column_names.h"
#include "gff/g2da.h"
#include "gff/show_error.h"

namespace tessary {

TResult LoadTableQuietly(TCellTable& table, const std::filesystem::path& path) {
  // Keeps the load's message; the previous handler returns however the load ends.
  struct TCapture {
    std::string Message;
    TMessageHandler Previous = SetShowErrorHandler([this](const std::string& m) { Message = m; });
    ~TCapture() { SetShowErrorHandler(std::move(Previous)); }
  } capture;
  if (LoadGDA(table, path)) return TResult::Success();
  return TResult::Failure(capture.Message.empty() ? "Not a G2DA table." : capture.Message);
}

void FindInTable(const TCellTable& table, const TTextMatcher& matcher,
                 std::optional<uint32_t> columnHash,
                 const std::function<void(int32_t col, int32_t row)>& hit) {
  std::vector<int32_t> cols;
  for (int32_t c = 0; c < table.ColCount(); ++c) {
    if (!columnHash || NameToHash(table.Cells(c, 0)) == *columnHash) cols.push_back(c);
  }
  if (cols.empty()) return;
  for (int32_t r = 2; r < table.RowCount(); ++r) {
    const int32_t last = table.LastStoredCol(r);
    for (int32_t c : cols) {
      if (c > last) break;
      if (matcher.Matches(table.Cells(c, r))) hit(c, r);
    }
  }
}

}  // namespace tessary
