// Plays one container session over an arbitrary exchange file, as a word processor's macro may
// have left it: a new document takes the word processor's font from it, the editor says it runs,
// leaves the lowering hint and returns. Whatever the file held, the document must open again as
// it was saved and measure; every save must keep all the other entries of the file, or fail with
// a reason and leave the file as it was; and after the return no new document takes a font.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

#include "document/document.h"
#include "document/document_file.h"
#include "embedding/container_protocol.h"
#include "embedding/server_item.h"
#include "options/config_store.h"
#include "typeset/fixed_metrics_surface.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A folder of this process for the store's file, in memory-backed storage where there is some
// (every input is saved a few times, and each save flushes), removed when the process ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    folder_ = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                  : std::filesystem::temp_directory_path();
    folder_ /= "kalvane-exchange-fuzz-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string StorePath() const { return (folder_ / "KLV3ADJ.ini").string(); }

 private:
  std::filesystem::path folder_;
};

const std::string& StorePath() {
  static const ScratchFolder folder;
  static const std::string path = folder.StorePath();
  return path;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteWhole(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file as a fresh reader sees it.
kv::IniFile Reread(const std::string& path) {
  kv::IniFile file;
  file.SetPath(path);
  file.LoadFromPath();
  return file;
}

// An entry a save sets, and its value afterwards.
struct Entry {
  std::string_view section, key, value;
};

// A save by `save` either set every entry of `sets` and kept all the others of the file, or
// failed with a reason and left the file's bytes alone. True when it saved.
template <typename Save>
bool CheckSave(const kv::ConfigStore& store, Save save, std::initializer_list<Entry> sets) {
  const kv::IniFile before = Reread(store.Path());
  const std::string bytesBefore = ReadWhole(store.Path());
  std::string error;
  if (!save(error)) {
    Check(!error.empty());
    Check(ReadWhole(store.Path()) == bytesBefore);
    return false;
  }
  kv::IniFile after = Reread(store.Path());
  const auto isSet = [&](std::string_view section, std::string_view key) {
    for (const Entry& entry : sets)
      if (entry.section == section && entry.key == key) return true;
    return false;
  };
  for (const Entry& entry : sets)
    Check(after.ReadString(entry.section, entry.key) == entry.value);
  for (const kv::IniSection& old : before.Sections()) {
    for (const kv::IniEntry& entry : old.Entries()) {
      if (!isSet(old.Name(), entry.key))
        Check(after.ReadString(old.Name(), entry.key) == entry.value);
    }
  }
  return true;
}

// A new document of the word processor's font as the store names it, saved and opened again, as
// the container's first edit does; the font it took.
std::string NewWordDocumentFont(const kv::EquationSettings& defaults,
                                const std::string& storeBytes) {
  kv::HeadlessHost host(defaults);
  host.ExchangeStore().Parse(storeBytes);
  kv::KLV300Doc document(host);
  document.OnNewDocument();
  document.SetEquationText("x^2+1");
  kv::KLV300Doc again(host);
  kv::OpenDocumentBytes(again, kv::DocumentFileBytes(document));
  Check(again.Settings().Font.Current() == document.Settings().Font.Current());
  kv::FixedMetricsSurface surface(false);
  const kv::NodeBox box = again.GetDocumentExtent(surface);
  Check(box.width >= 0 && box.height >= 0);
  return document.Settings().Font.Current().FaceName();
}

kv::EquationSettings WordFontDefaults() {
  kv::EquationSettings settings;
  settings.ResetToDefaults(".");
  settings.UseWordFont.Set(true);
  return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const kv::EquationSettings defaults = WordFontDefaults();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  WriteWhole(StorePath(), bytes);
  kv::ConfigStore store;
  store.SetLocation(kv::kExplicitPath);
  store.SetPath(StorePath());
  store.Load();

  // The font named, cut to what a font's name holds, or the default font when none is named.
  const std::string defaultFace = defaults.Font.Current().FaceName();
  const std::string face = NewWordDocumentFont(defaults, bytes);
  const std::string named =
      store.ReadString(kv::KLV300Doc::kFontInfoSection, kv::KLV300Doc::kFontNameKey);
  if (named.empty() || named == kv::KLV300Doc::kNoFont)
    Check(face == defaultFace);
  else
    Check(named.starts_with(face) && face.size() < kv::KVLogFont::kFaceNameSize);

  using kv::KLV300Doc;
  CheckSave(store, [&](std::string& error) { return kv::MarkRunning(store, error); },
            {{kv::kControlSection, kv::kRunningKey, "1"}});
  CheckSave(store, [&](std::string& error) { return kv::SaveLoweringHint(store, 273, error); },
            {{kv::kLoweringHintSection, kv::kLoweringAmountKey, "273"}});
  const bool returned =
      CheckSave(store, [&](std::string& error) { return kv::MarkReturned(store, error); },
                {{kv::kControlSection, kv::kRunningKey, "0"},
                 {KLV300Doc::kFontInfoSection, KLV300Doc::kFontNameKey, KLV300Doc::kNoFont}});
  // After the return no new document takes a font.
  if (returned) Check(NewWordDocumentFont(defaults, ReadWhole(StorePath())) == defaultFace);
  return 0;
}
