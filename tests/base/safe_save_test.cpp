#include "base/safe_save.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SafeSaveTest : public ::testing::TestWithParam<Durability> {
 protected:
  SafeSaveTest()
      : folder_(fs::temp_directory_path() / ("kalvane-save-test-" + std::to_string(::getpid()) +
                                             "-" + std::to_string(++folders_))) {
    fs::create_directories(folder_);
  }
  ~SafeSaveTest() override {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
  }

  // Each test has a folder of its own: a program clears a folder once.
  static inline int folders_ = 0;
  fs::path folder_;
};

// Either way of saving writes through a temporary file and a rename: the content arrives whole,
// a replaced file keeps its permissions, a link keeps pointing at the file it names, nothing is
// left beside, and a failure leaves the old file alone.
TEST_P(SafeSaveTest, ReplacesWholeFilesAndLeavesNothingBehind) {
  const Durability durability = GetParam();
  const fs::path file = folder_ / "picture.svg";
  std::string error;
  ASSERT_TRUE(SaveFileReplacing(file.string(), "first", error, durability)) << error;
  EXPECT_EQ(ReadFile(file), "first");

  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(SaveFileReplacing(file.string(), std::string(100000, 'x'), error, durability));
  EXPECT_EQ(ReadFile(file), std::string(100000, 'x'));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  const fs::path link = folder_ / "link.svg";
  fs::create_symlink(file, link);
  ASSERT_TRUE(SaveFileReplacing(link.string(), "through the link", error, durability));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(file), "through the link");
  EXPECT_EQ(EntryCount(), 2u);

  EXPECT_FALSE(SaveFileReplacing((folder_ / "missing" / "a.svg").string(), "x", error, durability));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(EntryCount(), 2u);
}

// A process that has ended.
pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

// A save removes the temporaries that killed saves into its folder left behind, and nothing
// else: not a live process's, not one locked by a save elsewhere, not a name that only looks
// like one.
TEST_P(SafeSaveTest, RemovesOnlyAbandonedTemporaries) {
  const std::string ended = std::to_string(EndedProcess());
  const std::string live = std::to_string(::getppid());
  const std::vector<std::string> abandoned = {".doc.kv3.tmp-" + ended + "-0-123",
                                              ".other.svg.tmp-" + ended + "-7-1"};
  const std::vector<std::string> kept = {".doc.kv3.tmp-" + live + "-0-123",
                                         ".doc.kv3.tmp-" + ended + "-0-123.bak",
                                         ".doc.kv3.tmp-" + ended + "-0",
                                         ".doc.kv3.tmp-" + ended + "-x-1",
                                         "doc.kv3.tmp-" + ended + "-0-1",
                                         "..tmp-" + ended + "-0-1",
                                         ".doc.kv3.tmp--0-1",
                                         ".doc.kv3.tmp-" + ended + "-5-5-5"};
  for (const std::string& name : kept)
    std::ofstream(folder_ / name) << "kept";
  for (const std::string& name : abandoned)
    std::ofstream(folder_ / name) << "half a docu";
  const fs::path locked = folder_ / (".doc.kv3.tmp-" + ended + "-2-2");
  std::ofstream(locked) << "another computer's save";
  const int lockedFile = ::open(locked.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(lockedFile, LOCK_EX), 0);
  fs::create_directory(folder_ / (".doc.kv3.tmp-" + ended + "-1-1"));
  fs::create_symlink(folder_ / "doc.kv3", folder_ / (".doc.kv3.tmp-" + ended + "-3-3"));

  std::string error;
  ASSERT_TRUE(SaveFileReplacing((folder_ / "doc.kv3").string(), "whole", error, GetParam()));
  ::close(lockedFile);
  for (const std::string& name : abandoned)
    EXPECT_FALSE(fs::exists(folder_ / name)) << name;
  for (const std::string& name : kept)
    EXPECT_EQ(ReadFile(folder_ / name), "kept") << name;
  EXPECT_TRUE(fs::exists(locked));
  EXPECT_EQ(EntryCount(), kept.size() + 4);  // the locked one, the folder, the link, doc.kv3
}

INSTANTIATE_TEST_SUITE_P(BothDurabilities, SafeSaveTest,
                         ::testing::Values(Durability::kFlushed, Durability::kUnflushed),
                         [](const ::testing::TestParamInfo<Durability>& durability) {
                           return durability.param == Durability::kFlushed ? "Flushed"
                                                                           : "Unflushed";
                         });

}  // namespace
}  // namespace kv
