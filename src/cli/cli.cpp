#include "cli/cli.h"

#include <ostream>

#include "cli/version.h"

namespace kv {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 2;

constexpr const char* kUsage =
    "Usage: kalvane-cli [--help] [--version]\n"
    "\n"
    "Kalvane typesets equations typed in a compact linear syntax.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n";

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return kExitError;
  }
  const std::string& first = args.front();
  if (first == "-h" || first == "--help" || first == "help") {
    out << kUsage;
    return kExitOk;
  }
  if (first == "--version") {
    out << "kalvane-cli " << kVersion << "\n";
    return kExitOk;
  }
  err << "kalvane-cli: unknown command or option '" << first << "'\n"
      << "Try 'kalvane-cli --help'.\n";
  return kExitError;
}

}  // namespace kv
