// The outcome of an operation whose caller handles failure itself (an
// import, an export, a command-line command): success, or the message the
// user sees. Inside a library failures are thrown as Error; the public
// operation catches them and returns this.
#pragma once

#include <string>
#include <utility>

namespace tessary {

struct [[nodiscard]] TResult {
  bool Ok = true;
  std::string Message;

  static TResult Success() { return {}; }
  static TResult Failure(std::string message) { return {false, std::move(message)}; }
  explicit operator bool() const { return Ok; }
};

}  // namespace tessary
