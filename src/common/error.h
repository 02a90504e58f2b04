// The one exception type of the grid and the workbook engine. Its text is
// the fixed English message the user or the caller sees.
#pragma once

#include <cstdarg>
#include <stdexcept>
#include <string>

namespace tessary {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// printf-style formatting of a message text ("Invalid Row (%d)").
std::string FormatMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Throws Error with a formatted text.
[[noreturn]] void ThrowError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace tessary
