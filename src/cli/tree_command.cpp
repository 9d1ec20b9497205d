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

constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

int RunTreeCommand(std::span<const std::string> args, CommandIo io) {
  const Arguments arguments(args, {"--set"}, {});
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
    line.Parse(rest.substr(0, lineEnd), settings);
    io.out << TreeNotation(line.TopRow()) << '\n';
    if (lineEnd == std::string_view::npos) break;
    rest.remove_prefix(lineEnd + kLineBreak.size());
  }
  return 0;
}

}  // namespace kv::cli
