// Builds the template workbook's bytes from its documented layout: plain
// tables of records and property values, without the workbook engine, so
// that the engine can be checked against it. tools/make_template writes the
// result to src/xls/empty_sheet_template.bin; the tests compare the engine
// with it.
#pragma once

#include <cstdint>
#include <vector>

namespace tessary {

// The Workbook stream: 1704 bytes of records, then zeros up to 4096.
std::vector<uint8_t> BuildTemplateWorkbookStream();
// The property-set streams, each padded with zeros to 4096 bytes.
std::vector<uint8_t> BuildTemplateSummaryInformation();
std::vector<uint8_t> BuildTemplateDocumentSummaryInformation();
// The whole compound file: header and 26 sectors, 13,824 bytes.
std::vector<uint8_t> BuildEmptySheetTemplate();

}  // namespace tessary
