// kalvane-cli tokens: the row of tokens the reader cuts each line of a text into.
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
    "tokens TEXT [--set KEY=VALUE ...]   show the tokens the reader cuts TEXT into";

constexpr const char* kHelp =
    "Usage: kalvane-cli tokens TEXT [--options FILE.ini]... [--set KEY=VALUE]...\n"
    "\n"
    "Prints the row of tokens that the reader cuts TEXT into, before it builds the\n"
    "tree: one output line per line of TEXT, in tree notation. Each token is its kind\n"
    "and its text in quotes, for example VARIABLE\"x\" POWER\"^\" NUMBER\"2\"; bytes\n"
    "outside printable ASCII show as \\xHH in Windows-1252.\n"
    "\n"
    "Options:\n"
    "  --options FILE.ini  read the settings of the section [Options] of FILE.ini first\n"
    "  --set KEY=VALUE     change a setting or feature switch (repeatable), e.g.\n"
    "                      --set Separator=; or --set UseIndicatedVectors=1\n"
    "  --                  end of options: a TEXT that begins with '-' follows\n";

int RunTokens(std::span<const std::string> args, CommandIo io) {
  const Arguments arguments(args, {"--set", "--options"}, {});
  const EquationSettings settings = SettingsFromArguments(arguments);
  const std::string text = SingleEquationText(arguments);

  EquationLine line;
  for (const std::string_view lineText : EquationLines(text)) {
    line.Tokenize(lineText, settings);
    io.out << TreeNotation(line.TopRow()) << '\n';
  }
  return 0;
}

}  // namespace

const Command& TokensCommand() {
  static const Command command{"tokens", kSynopsis, kHelp, RunTokens};
  return command;
}

}  // namespace kv::cli
