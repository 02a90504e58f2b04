#include "gff/show_error.h"

#include <cstdio>
#include <utility>

namespace tessary {
namespace {

void PrintToStderr(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

TShowErrorHandler& Handler() {
  static TShowErrorHandler handler = PrintToStderr;
  return handler;
}

}  // namespace

void ShowError(const std::string& message) { Handler()(message); }

TShowErrorHandler SetShowErrorHandler(TShowErrorHandler handler) {
  TShowErrorHandler previous = std::move(Handler());
  Handler() = handler ? std::move(handler) : TShowErrorHandler(PrintToStderr);
  return previous;
}

}  // namespace tessary
