// The template workbook every export starts from: a 13,824-byte compound
// file holding an empty workbook with one worksheet "Sheet1". The bytes come
// from empty_sheet_template.bin, embedded at build time.
#pragma once

#include <cstdint>
#include <span>

namespace tessary {

std::span<const uint8_t> EmptySheetTemplate();

}  // namespace tessary
