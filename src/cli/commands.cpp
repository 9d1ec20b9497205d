#include "cli/commands.h"

#include <array>

namespace kv::cli {

namespace {

constexpr std::array<Command, 0> kCommands = {};

}  // namespace

std::span<const Command> Commands() {
  return kCommands;
}

}  // namespace kv::cli
