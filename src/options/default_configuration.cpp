#include "options/default_configuration.h"

#include "options/option_store.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

constexpr bool kWriteDefaults = true;
constexpr bool kWriteCurrentValues = false;

std::string ResetMessage() {
  return "All options have been reset to factory defaults.\n\n"
         "Kalvane must be restarted to load new options.";
}

std::string WrittenMessage(const std::string& path) {
  return "A default configuration file has been written to\n" + path +
         "\n\n"
         "Read the installation instructions for details\n"
         "on how to use this feature.";
}

ConfigurationOutcome Failure(std::string_view what, const ConfigStore& store) {
  return {ConfigurationOutcome::Status::Failed, std::string(what) + "\n\n" + store.LastError()};
}

}  // namespace

ConfigurationOutcome ResetOptions(EquationSettings& masterSettings,
                                  const ConfirmFunction& confirm) {
  if (!confirm(kResetOptionsQuestion)) return {ConfigurationOutcome::Status::Cancelled, {}};
  ConfigStore store = DefaultConfigurationStore();
  if (!SaveAll(masterSettings, store, kWriteDefaults)) {
    return Failure("The options could not be reset to factory defaults.", store);
  }
  return {ConfigurationOutcome::Status::Done, ResetMessage()};
}

ConfigurationOutcome WriteDefaultConfiguration(EquationSettings& masterSettings) {
  ConfigStore store = DefaultConfigurationStore();
  if (!SaveAll(masterSettings, store, kWriteCurrentValues)) {
    return Failure("The default configuration file could not be written.", store);
  }
  return {ConfigurationOutcome::Status::Done, WrittenMessage(store.Path())};
}

ImportResult ImportDefaultConfiguration(EquationSettings& masterSettings, ConfigStore& optionsStore,
                                        std::string* error) {
  ConfigStore defaults = DefaultConfigurationStore();
  if (!defaults.Load()) return ImportResult::NoFile;
  ReadAll(masterSettings, defaults);
  // The file is the only copy of the imported values until the options store holds them.
  if (!SaveAll(masterSettings, optionsStore, kWriteCurrentValues)) {
    if (error != nullptr) *error = optionsStore.LastError();
    return ImportResult::NotSaved;
  }
  defaults.DeleteFile();
  return ImportResult::Imported;
}

ImportResult LoadStartUpSettings(EquationSettings& masterSettings, ConfigStore& optionsStore,
                                 std::string* error) {
  LoadAll(masterSettings, optionsStore);
  return ImportDefaultConfiguration(masterSettings, optionsStore, error);
}

}  // namespace kv
