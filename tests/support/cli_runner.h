// Runs kalvane-cli in-process and captures what it prints.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace kv::test {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

inline CliResult RunCliCaptured(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace kv::test
