// Reads a settings block from arbitrary bytes: the only acceptable failure is the archive error.
#include <cstddef>
#include <cstdint>

#include "base/archive.h"
#include "settings/equation_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kv::EquationSettings settings;
  kv::Archive in = kv::Archive::ForLoading({data, size});
  try {
    settings.Serialize(in);
  } catch (const kv::ArchiveError&) {
    return 0;
  }
  // Whatever was read is usable: every ranged value repairs into its range.
  (void)settings.FracLevelMax.Get();
  (void)settings.PowerRaise.Get();
  kv::Archive out = kv::Archive::ForStoring();
  settings.Serialize(out);
  return 0;
}
