#include "common/error_report.h"

namespace tessary {

std::string GeneralErrorText(const std::string& message) {
  // Compared as a code point: the last UTF-8 byte of a character above
  // U+007F is above "." too, so the byte comparison gives the same answer.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace tessary
