// Parses arbitrary bytes as a configuration file. Whatever a file gives must be writable, and the
// written text must read back as the same document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "options/config_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kv::IniFile first;
  first.Parse(bytes);
  const std::optional<std::string> text = first.Text();
  if (!text) std::abort();
  kv::IniFile second;
  second.Parse(*text);
  if (second.Sections() != first.Sections()) std::abort();
  // Reading back every entry finds its value.
  for (const kv::IniSection& section : first.Sections()) {
    for (const kv::IniEntry& entry : section.Entries()) {
      if (second.ReadString(section.Name(), entry.key) != entry.value) std::abort();
      (void)second.ReadInt(section.Name(), entry.key);
    }
  }
  return 0;
}
