#include "support/scratch_environment.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kv::test {

ScratchEnvironment::ScratchEnvironment() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kalvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  std::filesystem::create_directory(Home());
  std::filesystem::create_directory(SystemConfig());
  std::filesystem::create_directory(ProgramFolder());
  Set("HOME", Home().string());
  Set("XDG_CONFIG_HOME", ConfigHome().string());
  Set("XDG_CONFIG_DIRS", SystemConfig().string() + ":" + (root_ / "xdg-other").string());
  Set("KALVANE_PROGRAM_FOLDER", ProgramFolder().string());
}

ScratchEnvironment::~ScratchEnvironment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      ::setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      ::unsetenv(it->first.c_str());
    }
  }
  // Tests may leave folders without write permission behind; give it back before removing.
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root_, error)) {
    if (entry.is_directory(error) && !entry.is_symlink(error)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, error);
    }
  }
  std::filesystem::remove_all(root_, error);
}

void ScratchEnvironment::Set(const char* name, std::optional<std::string> value) {
  const char* old = ::getenv(name);
  saved_.emplace_back(name, old == nullptr ? std::nullopt : std::optional<std::string>(old));
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace kv::test
