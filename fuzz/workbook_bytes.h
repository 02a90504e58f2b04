// Any bytes as the Workbook stream of the template workbook, so that the
// fuzzers reach the record layer without having to build a compound file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "xls/byte_stream.h"
#include "xls/compound_file.h"
#include "xls/empty_sheet_template.h"

namespace tessary::fuzz {

inline std::vector<uint8_t> AsWorkbookStream(const uint8_t* data, size_t size) {
  TMemoryByteStream source(EmptySheetTemplate());
  TCompoundFile container(source);
  TMemoryByteStream out;
  container.PrepareForWrite(out, u"Workbook");
  if (size > 0) container.WriteMem(data, static_cast<uint32_t>(size));
  container.Close();
  return std::move(out.Bytes);
}

}  // namespace tessary::fuzz
