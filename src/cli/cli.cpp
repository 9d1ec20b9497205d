#include "cli/cli.h"

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/version.h"

namespace kv {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 2;

// A command's synopsis is its usage and a summary, separated by a run of spaces. The summaries
// line up in one column; a usage too long for it puts its summary on the next line.
void PrintSynopsis(std::ostream& out, std::string_view synopsis) {
  constexpr std::size_t kSummaryColumn = 40;
  constexpr std::string_view kIndent = "  ";
  const std::size_t gap = synopsis.find("  ");
  if (gap == std::string_view::npos) {
    out << kIndent << synopsis << "\n";
    return;
  }
  const std::string_view usage = synopsis.substr(0, gap);
  const std::string_view summary = synopsis.substr(synopsis.find_first_not_of(' ', gap));
  out << kIndent << usage;
  if (kIndent.size() + usage.size() + 1 < kSummaryColumn) {
    out << std::string(kSummaryColumn - kIndent.size() - usage.size(), ' ');
  } else {
    out << "\n" << std::string(kSummaryColumn, ' ');
  }
  out << summary << "\n";
}

void PrintUsage(std::ostream& out) {
  out << "Usage: kalvane-cli COMMAND [ARGUMENTS...]\n"
         "       kalvane-cli COMMAND --help\n"
         "\n"
         "Kalvane typesets equations typed in a compact linear syntax, such as x^2+1,\n"
         "(a+b)/2, sqrt(b2-4ac) or sigma(i=1,n).\n"
         "\n"
         "Commands:\n";
  for (const cli::Command& command : cli::Commands()) {
    PrintSynopsis(out, command.synopsis);
  }
  out << "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "  --version      show the version and exit\n"
         "\n"
         "Equation text is UTF-8; characters without a Windows-1252 form are refused.\n"
         "Errors go to standard error with exit status 2.\n";
}

const cli::Command* FindCommand(std::string_view name) {
  for (const cli::Command& command : cli::Commands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

bool AsksForHelp(std::span<const std::string> args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "-h" || arg == "--help") return true;
  }
  return false;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintUsage(err);
    return kExitError;
  }
  const std::string& first = args.front();
  if (first == "-h" || first == "--help" || first == "help") {
    PrintUsage(out);
    return kExitOk;
  }
  if (first == "--version") {
    out << "kalvane-cli " << kVersion << "\n";
    return kExitOk;
  }
  const cli::Command* command = FindCommand(first);
  if (command == nullptr) {
    err << "kalvane-cli: unknown command or option '" << first << "'\n"
        << "Try 'kalvane-cli --help'.\n";
    return kExitError;
  }
  const std::span<const std::string> rest(args.begin() + 1, args.end());
  if (AsksForHelp(rest)) {
    out << command->help;
    return kExitOk;
  }
  try {
    return command->run(rest, {out, err});
  } catch (const cli::CliError& e) {
    err << "kalvane-cli " << command->name << ": " << e.what() << "\n";
    return kExitError;
  }
}

}  // namespace kv
