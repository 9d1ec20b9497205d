#include "cli/commands.h"

#include <array>

namespace kv::cli {

std::span<const Command> Commands() {
  static const std::array commands = {TokensCommand(), TreeCommand(),    MeasureCommand(),
                                      RenderCommand(), ConvertCommand(), SaveCommand(),
                                      InfoCommand(),   ExtractCommand(), ConfigCommand()};
  return commands;
}

}  // namespace kv::cli
