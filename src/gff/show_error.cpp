#include "gff/show_error.h"

#include <cstdio>
#include <utility>

namespace tessary {
namespace {

void PrintToStderr(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

TMessageHandler& Handler() {
  static TMessageHandler handler = PrintToStderr;
  return handler;
}

}  // namespace

void ShowError(const std::string& message) { Handler()(message); }

TMessageHandler SetShowErrorHandler(TMessageHandler handler) {
  TMessageHandler previous = std::move(Handler());
  Handler() = handler ? std::move(handler) : TMessageHandler(PrintToStderr);
  return previous;
}

}  // namespace tessary
