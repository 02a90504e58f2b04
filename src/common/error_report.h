// The general error report: the text shown for a failure that no command
// caught, with a full stop appended when the text's last character is
// above "." in code order.
#pragma once

#include <string>

namespace tessary {

std::string GeneralErrorText(const std::string& message);

}  // namespace tessary
