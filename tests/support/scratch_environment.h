// A fresh temporary folder standing in for the user's home, configuration folders and the
// program's folder, so that tests of the configuration stores touch real files without touching
// the real ones (or writing beside the test program).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::test {

// For its lifetime: HOME = ROOT/home, XDG_CONFIG_HOME = ROOT/config (not created),
// XDG_CONFIG_DIRS = ROOT/xdg-system:ROOT/xdg-other, KALVANE_PROGRAM_FOLDER = ROOT/program. The
// variables are restored and the folder removed afterwards.
class ScratchEnvironment {
 public:
  ScratchEnvironment();
  ~ScratchEnvironment();
  ScratchEnvironment(const ScratchEnvironment&) = delete;
  ScratchEnvironment& operator=(const ScratchEnvironment&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path Home() const { return root_ / "home"; }
  std::filesystem::path ConfigHome() const { return root_ / "config"; }
  std::filesystem::path SystemConfig() const { return root_ / "xdg-system"; }
  std::filesystem::path ProgramFolder() const { return root_ / "program"; }

  // Sets (or with nullopt unsets) a variable until the environment is restored.
  void Set(const char* name, std::optional<std::string> value);

 private:
  std::filesystem::path root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kv::test
