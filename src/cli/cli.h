// kalvane-cli: renders equations and documents, and shows what the engine makes of them.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

// Runs the command line `args` (without the program name). Results go to `out`, errors to `err`;
// the return value is the exit status: 0 on success, 2 on any error.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kv
