// Moving option values between option objects and a configuration store: each option reads and
// writes itself under its own section and key, in its text form (options/option_text.h), and the
// settings record moves all its stored settings at once, in declaration order.
#pragma once

#include "options/config_store.h"
#include "options/option_text.h"

namespace kv {

class EquationSettings;

// Takes the option's value from the store; a missing or empty entry gives the default.
template <typename Option>
void ReadOption(Option& option, IniFile& store) {
  ReadOptionText(option, store.ReadString(option.Section(), option.Key()));
}

// Stores the option's current value, or its default when `useDefaults` is set, creating the
// section and key as needed.
template <typename Option>
bool WriteOption(Option& option, IniFile& store, bool useDefaults) {
  return store.WriteString(option.Section(), option.Key(), WriteOptionText(option, useDefaults),
                           true);
}

// Reads every stored setting from what the store holds in memory. DecimalPoint and Separator
// follow the locale and are never stored.
void ReadAll(EquationSettings& settings, IniFile& store);
// Writes every stored setting into the store's memory; new keys are appended, so a file written
// from scratch lists them in declaration order.
void WriteAll(EquationSettings& settings, IniFile& store, bool useDefaults);

// Reloads the store's file and reads every stored setting. The settings are set in every case
// (from the defaults where the file lacks them); the result says whether the file was read.
bool LoadAll(EquationSettings& settings, ConfigStore& store);
// Writes every stored setting and saves the store's file; false, with the store's last error
// saying why, when the file could not be saved.
bool SaveAll(EquationSettings& settings, ConfigStore& store, bool useDefaults);

}  // namespace kv
