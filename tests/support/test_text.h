// Texts the test programs compare: the message of a failure, bytes as hex,
// and where two byte images part.
#pragma once

#include <algorithm>
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

// The offset of the first byte in which `actual` differs from `expected`
// (the shorter length when one begins the other), or -1 when they are equal.
inline long FirstDifference(const std::vector<uint8_t>& expected,
                            const std::vector<uint8_t>& actual) {
  const size_t common = std::min(expected.size(), actual.size());
  for (size_t i = 0; i < common; ++i) {
    if (expected[i] != actual[i]) return static_cast<long>(i);
  }
  return expected.size() == actual.size() ? -1 : static_cast<long>(common);
}

}  // namespace tessary::testing
