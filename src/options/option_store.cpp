#include "options/option_store.h"

#include <variant>

#include "settings/equation_settings.h"

namespace kv {
namespace {

struct Reader {
  EquationSettings& settings;
  IniFile& store;

  template <typename Setting>
  void operator()(const Setting& s) const {
    ReadOption(settings.*s.option, store);
  }
  void operator()(const LocaleCharSetting&) const {}
};

struct Writer {
  EquationSettings& settings;
  IniFile& store;
  bool useDefaults;

  template <typename Setting>
  void operator()(const Setting& s) const {
    WriteOption(settings.*s.option, store, useDefaults);
  }
  void operator()(const LocaleCharSetting&) const {}
};

}  // namespace

void ReadAll(EquationSettings& settings, IniFile& store) {
  for (const SettingDescriptor& descriptor : SettingsTable()) {
    std::visit(Reader{settings, store}, descriptor.kind);
  }
}

void WriteAll(EquationSettings& settings, IniFile& store, bool useDefaults) {
  for (const SettingDescriptor& descriptor : SettingsTable()) {
    std::visit(Writer{settings, store, useDefaults}, descriptor.kind);
  }
}

bool LoadAll(EquationSettings& settings, ConfigStore& store) {
  const bool loaded = store.Load();
  ReadAll(settings, store);
  return loaded;
}

bool SaveAll(EquationSettings& settings, ConfigStore& store, bool useDefaults) {
  WriteAll(settings, store, useDefaults);
  return store.Save();
}

}  // namespace kv
