// The default configuration file: a store beside the program ("KLV3_Default.ini", section
// "Options") through which the user, or whoever installs the program, replaces the option values
// every later start begins with. Two commands write it, and the start-up imports it into the
// user's options store and removes it. The commands return the message to show the user with
// the caption kMessageCaption.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "options/config_store.h"

namespace kv {

class EquationSettings;

inline constexpr std::string_view kMessageCaption = "Kalvane 3";
inline constexpr std::string_view kResetOptionsQuestion =
    "About to reset all options to original default values";

struct ConfigurationOutcome {
  enum class Status { Done, Cancelled, Failed };
  Status status = Status::Done;
  // What to show the user: the confirmation of success, or why the command failed. Empty when
  // the user cancelled.
  std::string message;

  bool Succeeded() const { return status == Status::Done; }
};

// Asks the user `question` with OK and Cancel buttons; true for OK.
using ConfirmFunction = std::function<bool(std::string_view question)>;

// "Reset Options...": after the user confirms, writes the default value of every stored setting
// to the default configuration file. The settings themselves do not change; the next start picks
// the defaults up.
ConfigurationOutcome ResetOptions(EquationSettings& masterSettings, const ConfirmFunction& confirm);

// "Write Default Configuration File": writes the current value of every stored setting to the
// default configuration file.
ConfigurationOutcome WriteDefaultConfiguration(EquationSettings& masterSettings);

enum class ImportResult {
  NoFile,    // there is no default configuration file, or it cannot be opened
  Imported,  // the settings were taken, saved in the options store, and the file removed
  NotSaved,  // the settings were taken but the options store could not be saved; the file stays
};

// Start-up: when the default configuration file exists, its values become `masterSettings`
// (settings it lacks take their defaults), are saved in `optionsStore`, and the file is removed
// (a failure to remove it is ignored). `error` receives the options store's error on NotSaved.
ImportResult ImportDefaultConfiguration(EquationSettings& masterSettings, ConfigStore& optionsStore,
                                        std::string* error = nullptr);

// The settings a start of the program begins with: the options store's values, then the default
// configuration file's when there is one (it wins over the options store).
ImportResult LoadStartUpSettings(EquationSettings& masterSettings, ConfigStore& optionsStore,
                                 std::string* error = nullptr);

}  // namespace kv
