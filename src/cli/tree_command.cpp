// kalvane-cli tree: the expression tree the reader builds from each line of a text.
#include <ostream>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "reader/equation_line.h"
#include "reader/tree_notation.h"

namespace kv::cli {
namespace {

constexpr const char* kSynopsis =
    "tree TEXT [--set KEY=VALUE ...]     show the expression tree the reader builds";

constexpr const char* kHelp =
    "Usage: kalvane-cli tree TEXT [--options FILE.ini]... [--set KEY=VALUE]...\n"
    "\n"
    "Prints the expression tree that the reader builds from TEXT: one output line per\n"
    "line of TEXT, in tree notation. Each node is its kind, its text in quotes when it\n"
    "has one, and its rows in braces, for example\n"
    "VARIABLE\"x\" POWER{BRACKETS\",\"{NUMBER\"2\"}} for x^2; bytes outside printable\n"
    "ASCII show as \\xHH in Windows-1252.\n"
    "\n"
    "Options:\n"
    "  --options FILE.ini  read the settings of the section [Options] of FILE.ini first\n"
    "  --set KEY=VALUE     change a setting or feature switch (repeatable), e.g.\n"
    "                      --set Separator=; or --set LowerCase=2\n"
    "  --                  end of options: a TEXT that begins with '-' follows\n";

int RunTree(std::span<const std::string> args, CommandIo io) {
  const Arguments arguments(args, {"--set", "--options"}, {});
  const EquationSettings settings = SettingsFromArguments(arguments);
  const std::string text = SingleEquationText(arguments);

  EquationLine line;
  for (const std::string_view lineText : EquationLines(text)) {
    line.Parse(lineText, settings);
    io.out << TreeNotation(line.TopRow()) << '\n';
  }
  return 0;
}

}  // namespace

const Command& TreeCommand() {
  static const Command command{"tree", kSynopsis, kHelp, RunTree};
  return command;
}

}  // namespace kv::cli
