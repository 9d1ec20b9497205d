#include "base/safe_save.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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
      : folder_(fs::temp_directory_path() / ("kalvane-save-test-" + std::to_string(::getpid()))) {
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

INSTANTIATE_TEST_SUITE_P(BothDurabilities, SafeSaveTest,
                         ::testing::Values(Durability::kFlushed, Durability::kUnflushed),
                         [](const ::testing::TestParamInfo<Durability>& durability) {
                           return durability.param == Durability::kFlushed ? "Flushed"
                                                                           : "Unflushed";
                         });

}  // namespace
}  // namespace kv
