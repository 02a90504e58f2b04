// The error box of the file operations: one call per failed operation.
// The window installs a modal message box (caption "Error:"); the
// command-line tool prints to standard error; tests capture the text.
#pragma once

#include <string>

#include "common/error.h"

namespace tessary {

// Shows `message` (UTF-8) through the installed handler.
void ShowError(const std::string& message);

// Installs a handler and returns the previous one. An empty handler
// restores the default, which prints the message to standard error.
TMessageHandler SetShowErrorHandler(TMessageHandler handler);

}  // namespace tessary
