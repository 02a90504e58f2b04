// tessary-cli: the table engine without a window, for scripts and build
// pipelines. Messages are the window's own texts where it would show one.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tessary::cli::Run(args, std::cin, std::cout, std::cerr);
}
