// kalvane-cli config: where the options live, the settings in effect, and the default
// configuration file that the editor imports at its next start.
#include <ostream>

#include "base/windows1252.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "options/config_store.h"
#include "options/default_configuration.h"
#include "options/option_store.h"
#include "options/option_text.h"

namespace kv::cli {
namespace {

constexpr const char* kSynopsis =
    "config path|show|write-default|reset   where the options live, and the settings in effect";

constexpr const char* kHelp =
    "Usage: kalvane-cli config path [options|exchange|default]\n"
    "       kalvane-cli config show [--options FILE.ini]... [--set KEY=VALUE]...\n"
    "       kalvane-cli config write-default\n"
    "       kalvane-cli config reset\n"
    "\n"
    "  path            print where the options store, the exchange store (shared with a\n"
    "                  word-processor macro) and the default configuration file live; with a\n"
    "                  name, print only that path\n"
    "  show            print the settings the other commands use, one KEY=VALUE line each, in\n"
    "                  the configuration-file text forms: the defaults, changed by the section\n"
    "                  [Options] of each --options file (a later file wins) and then by each\n"
    "                  --set; feature switches and the locale's DecimalPoint and Separator\n"
    "                  are listed too\n"
    "  write-default   write the settings of your options store to the default configuration\n"
    "                  file; the editor's next start imports it and removes it\n"
    "  reset           write the factory defaults to the default configuration file; the\n"
    "                  editor's next start resets your options to them\n"
    "\n"
    "The options store is $XDG_CONFIG_HOME/Morvak/KLV300.ini (XDG_CONFIG_HOME defaults to\n"
    "~/.config), the exchange store KLV3ADJ.ini beside it. The default configuration file is\n"
    "KLV3_Default.ini in the program's folder, or in $KALVANE_PROGRAM_FOLDER when that is set.\n"
    "Configuration files are Windows-1252 text.\n";

struct StoreName {
  std::string_view name;
  std::string_view label;
  ConfigStore (*make)();
};

constexpr StoreName kStores[] = {
    {"options", "options store", OptionsStore},
    {"exchange", "exchange store", ExchangeStore},
    {"default", "default configuration file", DefaultConfigurationStore},
};

void RequireNoMorePositionals(const Arguments& args, std::size_t allowed) {
  if (args.Positional().size() > allowed) {
    throw CliError("unexpected argument '" + args.Positional()[allowed] + "'");
  }
}

int PrintPaths(std::span<const std::string> rest, CommandIo io) {
  const Arguments args(rest, {}, {});
  RequireNoMorePositionals(args, 1);
  if (args.Positional().empty()) {
    for (const StoreName& store : kStores) {
      const std::string path = store.make().FilePath();
      io.out << store.label << ": " << (path.empty() ? "(no folder found)" : path) << "\n";
    }
    return 0;
  }
  const std::string& wanted = args.Positional().front();
  for (const StoreName& store : kStores) {
    if (store.name != wanted) continue;
    const std::string path = store.make().FilePath();
    if (path.empty()) throw CliError("no folder found for the " + std::string(store.label));
    io.out << path << "\n";
    return 0;
  }
  throw CliError("there is no store named '" + wanted + "' (options, exchange or default)");
}

int ShowSettings(std::span<const std::string> rest, CommandIo io) {
  const Arguments args(rest, {"--options", "--set"}, {});
  RequireNoMorePositionals(args, 0);
  const EquationSettings settings = SettingsFromArguments(args);
  for (const SettingDescriptor& setting : SettingsTable()) {
    io.out << setting.key << "=" << Windows1252ToUtf8(SettingAsText(settings, setting.key)) << "\n";
  }
  for (std::string_view name : FeatureSwitchNames()) {
    io.out << name << "=" << SettingAsText(settings, name) << "\n";
  }
  return 0;
}

// Messages hold the file's path as the file system gives it, so they are printed unconverted.
int Report(const ConfigurationOutcome& outcome, CommandIo io) {
  if (!outcome.Succeeded()) throw CliError(outcome.message);
  io.out << outcome.message << "\n";
  return 0;
}

int WriteDefault(std::span<const std::string> rest, CommandIo io) {
  RequireNoMorePositionals(Arguments(rest, {}, {}), 0);
  EquationSettings masterSettings;
  ConfigStore optionsStore = OptionsStore();
  LoadAll(masterSettings, optionsStore);
  return Report(WriteDefaultConfiguration(masterSettings), io);
}

// There is nobody to ask on the command line: naming the command is the confirmation.
int Reset(std::span<const std::string> rest, CommandIo io) {
  RequireNoMorePositionals(Arguments(rest, {}, {}), 0);
  EquationSettings masterSettings;
  return Report(ResetOptions(masterSettings, [](std::string_view) { return true; }), io);
}

int RunConfig(std::span<const std::string> args, CommandIo io) {
  if (args.empty()) throw CliError("name what to do: path, show, write-default or reset");
  const std::string& action = args.front();
  const std::span<const std::string> rest = args.subspan(1);
  if (action == "path") return PrintPaths(rest, io);
  if (action == "show") return ShowSettings(rest, io);
  if (action == "write-default") return WriteDefault(rest, io);
  if (action == "reset") return Reset(rest, io);
  throw CliError("unknown action '" + action + "' (path, show, write-default or reset)");
}

}  // namespace

const Command& ConfigCommand() {
  static const Command command{"config", kSynopsis, kHelp, RunConfig};
  return command;
}

}  // namespace kv::cli
