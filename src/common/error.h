// The one exception type of the libraries. Its text is the fixed English
// message the user or the caller sees. Public operations whose caller
// handles failure catch it and return TResult (common/result.h).
#pragma once

#include <cstdarg>
#include <functional>
#include <stdexcept>
#include <string>

namespace tessary {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Receives a message the user sees: the error box of the file operations
// (ShowError), the warning of a dictionary that cannot be used.
using TMessageHandler = std::function<void(const std::string& message)>;

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
