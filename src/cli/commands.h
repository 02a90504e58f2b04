// The subcommands of tessary-cli, callable from tests with their own
// streams.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tessary::cli {

// Exit codes: 0 success, 1 a failure with its message, 2 a valid
// container that is not a table, 64 a usage error.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);

}  // namespace tessary::cli
