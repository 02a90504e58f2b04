#include "common/error_report.h"

namespace tessary {

std::string GeneralErrorText(std::string text) {
  // The last byte of a multi-byte UTF-8 character is 0x80 or more, so the
  // byte comparison gives the code point's answer.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

}  // namespace tessary
