// Captures the error boxes (ShowError) of one test.
#pragma once

#include <string>
#include <vector>

#include "gff/show_error.h"

namespace tessary::testing {

class ErrorCapture {
 public:
  ErrorCapture() {
    FPrevious = SetShowErrorHandler([this](const std::string& m) { Messages.push_back(m); });
  }
  ~ErrorCapture() { SetShowErrorHandler(FPrevious); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  std::vector<std::string> Messages;

 private:
  TMessageHandler FPrevious;
};

}  // namespace tessary::testing
