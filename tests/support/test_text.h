// Texts the test programs compare: the message of a failure, and bytes as hex.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/error.h"

namespace tessary::testing {

// The message of the Error `action` throws, or "" when it throws none.
inline std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// "0A 1B 2C": each byte as two hex digits, separated by blanks.
inline std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string out;
  char buf[4];
  for (uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", b);
    out += buf;
  }
  return out;
}

}  // namespace tessary::testing
