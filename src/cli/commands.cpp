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
    Command{"tree",
            "tree TEXT [--set KEY=VALUE ...]     show the expression tree the reader builds",
            "Usage: kalvane-cli tree TEXT [--set KEY=VALUE ...]\n"
            "\n"
            "Prints the expression tree that the reader builds from TEXT: one output line per\n"
            "line of TEXT, in tree notation. Each node is its kind, its text in quotes when it\n"
            "has one, and its rows in braces, for example\n"
            "VARIABLE\"x\" POWER{BRACKETS\",\"{NUMBER\"2\"}} for x^2; bytes outside printable\n"
            "ASCII show as \\xHH in Windows-1252.\n"
            "\n"
            "Options:\n"
            "  --set KEY=VALUE   change a setting or feature switch first (repeatable), e.g.\n"
            "                    --set Separator=; or --set LowerCase=2\n"
            "  --                end of options: a TEXT that begins with '-' follows\n",
            &RunTreeCommand},
};

}  // namespace

std::span<const Command> Commands() {
  return kCommands;
}

}  // namespace kv::cli
