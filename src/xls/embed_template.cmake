# Turns the template workbook file into a C++ byte array (run with cmake -P,
# INPUT and OUTPUT set).
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from empty_sheet_template.bin; do not edit.
#include \"xls/empty_sheet_template.h\"

namespace tessary {
namespace {
const uint8_t kTemplate[] = {
${bytes}};
}  // namespace

std::span<const uint8_t> EmptySheetTemplate() { return {kTemplate, sizeof kTemplate}; }

}  // namespace tessary
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
