// Saving: a temporary file beside the target, renamed over it; a failure leaves the old file
// whole and no temporary file behind. The failures chosen happen for root too.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/compound_file.h"
#include "document/compound_file_test_support.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::Pattern;
using test::TempFolder;

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void ExpectSaveFails(const fs::path& path, std::span<const std::uint8_t> contents) {
  try {
    WriteDocumentFile(path, contents);
    ADD_FAILURE() << "saved to " << path;
  } catch (const StorageError& error) {
    EXPECT_STREQ(error.what(), kFailedToSaveDocument);
    EXPECT_FALSE(error.Detail().empty());
  }
}

TEST(CompoundFileSave, ReplacesTheOldFileKeepingItsPermissionsAndLinks) {
  TempFolder folder;
  const auto path = folder / "doc.kv3";
  WriteDocumentFile(path, Pattern(10));
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  WriteDocumentFile(path, Pattern(5000));
  EXPECT_EQ(ReadDocumentFile(path), Pattern(5000));
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // Saving through a link replaces the file it names and keeps the link.
  fs::create_symlink("doc.kv3", folder / "link.kv3");
  WriteDocumentFile(folder / "link.kv3", Pattern(20));
  EXPECT_TRUE(fs::is_symlink(folder / "link.kv3"));
  EXPECT_EQ(ReadDocumentFile(path), Pattern(20));
  EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"doc.kv3", "link.kv3"}));
}

TEST(CompoundFileSave, NewFilesGetTheUsualPermissions) {
  TempFolder folder;
  const mode_t mask = ::umask(022);
  WriteDocumentFile(folder / "new.kv3", Pattern(1));
  ::umask(mask);
  EXPECT_EQ(fs::status(folder / "new.kv3").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
}

TEST(CompoundFileSave, FailuresLeaveTheOldFileIntact) {
  TempFolder folder;
  test::WriteBytes(folder / "plain", Pattern(3));
  // A folder that is a regular file, and one that does not exist.
  ExpectSaveFails(folder / "plain" / "doc.kv3", Pattern(10));
  ExpectSaveFails(folder / "missing" / "doc.kv3", Pattern(10));
  // A target that is a folder: the new file is complete before the rename fails.
  fs::create_directory(folder / "taken.kv3");
  test::WriteBytes(folder / "taken.kv3" / "inside", Pattern(4));
  ExpectSaveFails(folder / "taken.kv3", Pattern(10));
  EXPECT_EQ(test::ReadBytes(folder / "taken.kv3" / "inside"), Pattern(4));
  EXPECT_EQ(test::ReadBytes(folder / "plain"), Pattern(3));
  EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"plain", "taken.kv3"}));

  // A folder without write permission stops everyone but root.
  if (::geteuid() != 0) {
    fs::create_directory(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    ExpectSaveFails(folder / "locked" / "doc.kv3", Pattern(10));
  }
}

// Runs in a child process: saves a large document with files limited to `limit` bytes and exits
// with 0 when the save failed as it should.
[[noreturn]] void SaveWithFileSizeLimit(const fs::path& path, rlim_t limit) {
  ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
  const rlimit fileSize{limit, limit};
  ::setrlimit(RLIMIT_FSIZE, &fileSize);
  try {
    WriteDocumentFile(path, Pattern(70000));
  } catch (const StorageError& error) {
    std::_Exit(std::string(error.what()) == kFailedToSaveDocument ? 0 : 3);
  }
  std::_Exit(4);
}

// A disk that fills during the write: the file size limit makes write() fail for root as well.
TEST(CompoundFileSave, FullDiskLeavesTheOldFileIntact) {
  TempFolder folder;
  const auto path = folder / "doc.kv3";
  WriteDocumentFile(path, Pattern(100));
  const auto old = test::ReadBytes(path);
  constexpr rlim_t kLimit = 8192;  // the old file fits, the new one does not
  ASSERT_LT(old.size(), kLimit);
  EXPECT_EXIT(SaveWithFileSizeLimit(path, kLimit), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(test::ReadBytes(path), old);
  EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"doc.kv3"});
}

}  // namespace
}  // namespace kv
