#include "cli/commands.h"

#include <array>

namespace kv::cli {

namespace {

constexpr std::array kCommands = {
    Command{"tokens",
            "tokens TEXT [--set KEY=VALUE ...]   show the tokens the reader cuts TEXT into",
            "Usage: kalvane-cli tokens TEXT [--set KEY=VALUE ...]\n"
            "\n"
            "Prints the row of tokens that the reader cuts TEXT into, before it builds the\n"
            "tree: one output line per line of TEXT, in tree notation. Each token is its kind\n"
            "and its text in quotes, for example VARIABLE\"x\" POWER\"^\" NUMBER\"2\"; bytes\n"
            "outside printable ASCII show as \\xHH in Windows-1252.\n"
            "\n"
            "Options:\n"
            "  --set KEY=VALUE   change a setting or feature switch first (repeatable), e.g.\n"
            "                    --set Separator=; or --set UseIndicatedVectors=1\n"
            "  --                end of options: a TEXT that begins with '-' follows\n",
            &RunTokensCommand},
};

}  // namespace

std::span<const Command> Commands() {
  return kCommands;
}

}  // namespace kv::cli
