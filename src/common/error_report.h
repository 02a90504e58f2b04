// The general error report: the text shown for a failure that no command
// caught, with a full stop appended when the text's last character is
// above "." in code order.
#pragma once

#include <string>

namespace tessary {

// `text` is UTF-8. The last character is compared as a code point: every
// character above U+007F counts as above ".". The empty text stays empty.
std::string GeneralErrorText(std::string text);

}  // namespace tessary
