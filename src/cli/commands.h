// The commands of kalvane-cli. Each takes its own arguments (after the command name) and returns
// the exit status; errors are thrown as CliError and reported by RunCli.
#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace kv::cli {

struct CommandIo {
  std::ostream& out;
  std::ostream& err;
};

using CommandFunction = int (*)(std::span<const std::string> args, CommandIo io);

struct Command {
  const char* name;
  const char* synopsis;  // one line for the program's --help
  const char* help;      // the command's own --help
  CommandFunction run;
};

// Every command, in the order --help lists them.
std::span<const Command> Commands();

// The commands, each defined in its own file cli/NAME_command.cpp.
const Command& ConfigCommand();
const Command& ConvertCommand();
const Command& ExtractCommand();
const Command& InfoCommand();
const Command& MeasureCommand();
const Command& RenderCommand();
const Command& SaveCommand();
const Command& TokensCommand();
const Command& TreeCommand();

}  // namespace kv::cli
