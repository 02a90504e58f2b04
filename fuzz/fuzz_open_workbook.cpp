// Opens arbitrary bytes as a workbook file: bytes that are not a compound
// file become the Workbook stream of a copy of the template, so that the
// record layer is reached either way. A model that loads is saved, extended
// by a copied and a fresh sheet, renamed and saved again: each save must
// write exactly the size the offset pass computed, and its file must load.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "workbook_bytes.h"
#include "xls/byte_stream.h"
#include "xls/compound_file.h"
#include "xls/workbook_file.h"

using namespace tessary;

namespace {

using fuzz::AsWorkbookStream;

void SaveChecked(TWorkbookFile& book) {
  const uint64_t counted = book.Workbook().PrepareOffsets();
  TMemoryRecordStream stream;
  book.Workbook().SaveToStream(stream);
  if (stream.Data.size() != counted) std::abort();
  const std::vector<uint8_t> file = book.SaveToBytes();
  TWorkbookFile again(TRegionalSettings{});
  again.Connect();
  try {
    again.LoadFromBytes(file);
  } catch (const Error&) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  TWorkbookFile book(TRegionalSettings{});
  book.Connect();
  try {
    TMemoryByteStream probe(std::vector<uint8_t>(data, data + size));
    if (TCompoundFile::IsCompoundFile(probe)) {
      book.LoadFromBytes({data, size});
    } else {
      book.LoadFromBytes(AsWorkbookStream(data, size));
    }
  } catch (const Error&) {
    return 0;
  }
  try {
    SaveChecked(book);
  } catch (const Error&) {
    // Refused saves (hidden sheets, sections without EOF) are expected.
  }
  try {
    if (book.SheetCount() > 0) {
      book.InsertAndCopySheets(1, book.SheetCount() + 1, 1);
      book.InsertAndCopySheets(-1, 1, 1);
      book.SetActiveSheet(1);
      book.SetActiveSheetName(u"Renamed:[1]");
      book.SelectSheet(1);
      SaveChecked(book);
    }
  } catch (const Error&) {
  }
  return 0;
}
