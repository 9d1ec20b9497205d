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

constexpr std::string_view kLineBreak = "\r\n";

int RunTokens(std::span<const std::string> args, CommandIo io) {
  const Arguments arguments(args, {"--set", "--options"}, {});
  if (arguments.Positional().size() != 1) {
    throw CliError("expects exactly one TEXT, not " +
                   std::to_string(arguments.Positional().size()) +
                   " (quote a text with spaces; an empty text is \"\")");
  }
  const EquationSettings settings = SettingsFromArguments(arguments);
  const std::string text = EquationTextFromArgument(arguments.Positional().front());

  EquationLine line;
  std::string_view rest = text;
  while (true) {
    const std::size_t lineEnd = rest.find(kLineBreak);
    line.Tokenize(rest.substr(0, lineEnd), settings);
    io.out << TreeNotation(line.TopRow()) << '\n';
    if (lineEnd == std::string_view::npos) break;
    rest.remove_prefix(lineEnd + kLineBreak.size());
  }
  return 0;
}

}  // namespace

const Command& TokensCommand() {
  static const Command command{"tokens", kSynopsis, kHelp, RunTokens};
  return command;
}

}  // namespace kv::cli
