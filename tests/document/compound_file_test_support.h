// Helpers shared by the compound-file tests.
#pragma once

#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "document/compound_file.h"
#include "support/heap_probe.h"

extern char** environ;

namespace kv::test {

// Stream bytes that differ from their neighbours, so a misplaced sector shows.
inline std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251 + 1);
  return bytes;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "kalvane-test-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// No single allocation while a file is read may exceed the file's size by more than a little
// bookkeeping: the stream read is never larger than the file, and the tables are smaller.
inline std::size_t AllocationBoundFor(std::size_t fileSize) {
  constexpr std::size_t kBookkeeping = 4096;
  return fileSize + kBookkeeping;
}

// Opens `file`, which must fail as a document that cannot be opened, within the allocation
// bound. Returns the failure's detail.
inline std::string FailureOf(std::span<const std::uint8_t> file) {
  HeapProbe probe;
  try {
    ContentsOfDocumentFile(file);
  } catch (const StorageError& error) {
    EXPECT_STREQ(error.what(), kFailedToOpenDocument);
    EXPECT_LE(probe.LargestAllocation(), AllocationBoundFor(file.size()));
    return error.Detail();
  }
  ADD_FAILURE() << "a damaged file of " << file.size() << " bytes opened";
  return {};
}

// Runs a program without a shell; returns its exit status, or -1 when it did not run.
inline int RunProgram(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (auto& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// A Python interpreter that has olefile, an independent compound-file reader; empty when there
// is none. The system's interpreter first: that is where Debian installs python3-olefile.
inline std::string PythonWithOlefile() {
  for (const char* candidate : {"/usr/bin/python3", "python3"}) {
    if (RunProgram({candidate, "-c", "import olefile"}) == 0) return candidate;
  }
  return {};
}

// olefile finds exactly one stream, "Contents", holding the bytes of the file `expected`:
// returns 0 when it does, 1 to 3 for the first thing that differs.
inline int OlefileCheck(const std::string& python, const std::filesystem::path& file,
                        const std::filesystem::path& expected) {
  static constexpr char kScript[] = R"(
import sys, olefile
path, expected = sys.argv[1], open(sys.argv[2], 'rb').read()
ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
if ole.listdir(streams=True, storages=True) != [['Contents']]: sys.exit(1)
if ole.get_size('Contents') != len(expected): sys.exit(2)
if ole.openstream('Contents').read() != expected: sys.exit(3)
)";
  return RunProgram({python, "-c", kScript, file.string(), expected.string()});
}

}  // namespace kv::test
