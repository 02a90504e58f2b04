// How the grid breaks a cell text into the lines it paints: at line breaks
// (CR LF, CR or LF), and where a line is wider than the cell, at blanks.
// A word wider than the cell keeps its own line whole and the cell clips
// it, so that a number such as 6.80000019073486 never shows as "6.".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace tessary {

// A painted line: a part of the text, without its break characters.
struct TTextLine {
  size_t Start = 0;
  size_t Length = 0;
  friend bool operator==(const TTextLine&, const TTextLine&) = default;
};

// Width in pixels of a part of the text in the font painted with.
using TTextAdvance = std::function<int32_t(std::u16string_view part)>;

// The lines of `text` in a cell `width` pixels wide, at most `maxLines` of
// them (the ones the cell's height can show). Blanks where a line wraps
// belong to neither line.
std::vector<TTextLine> WrapAtBlanks(std::u16string_view text, int32_t width,
                                    const TTextAdvance& advance, size_t maxLines);

}  // namespace tessary
