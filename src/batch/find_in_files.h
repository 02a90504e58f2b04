// Find in files: the cells of table files that hold a text, found as the
// grid's Find finds it (the same matcher and case folding).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "common/result.h"
#include "grid/find_replace.h"
#include "table/cell_table.h"

namespace tessary {

// Loads a table file without showing anything: the load's one error
// message, or "Not a G2DA table." for a container that is not a table,
// comes back in the result instead of going to the error box. The error
// box's handler is replaced during the load, so call it from the thread
// that shows errors.
TResult LoadTableQuietly(TCellTable& table, const std::filesystem::path& path);

// The data cells of a loaded table that `matcher` matches, row by row and
// left to right; with `columnHash` only in the columns of that name hash.
// `hit` gets each cell's grid column and row.
void FindInTable(const TCellTable& table, const TTextMatcher& matcher,
                 std::optional<uint32_t> columnHash,
                 const std::function<void(int32_t col, int32_t row)>& hit);

}  // namespace tessary
