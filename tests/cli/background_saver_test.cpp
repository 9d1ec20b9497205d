// Saving batch pictures on a second thread: every queued file is saved whole, failures come back
// with their numbers, and a small queue only slows the producer down.
#include "cli/background_saver.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_environment.h"

namespace kv::cli {
namespace {

std::string Content(int i) {
  return "picture " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 50), '.');
}

TEST(BackgroundSaver, SavesEveryFileWholeThroughASmallQueue) {
  test::ScratchEnvironment env;
  constexpr int kFiles = 400;
  {
    BackgroundSaver saver(Durability::kUnflushed, /*maxQueuedBytes=*/64);
    for (int i = 1; i <= kFiles; ++i)
      saver.Save(i, env.Root() / (std::to_string(i) + ".txt"), Content(i));
    saver.Finish();
    EXPECT_TRUE(saver.TakeFailures().empty());
    for (int i = 1; i <= kFiles; ++i)
      EXPECT_EQ(test::ReadFileBytes(env.Root() / (std::to_string(i) + ".txt")), Content(i)) << i;
    // Saves queued after Finish are done by the time the saver ends.
    saver.Save(kFiles + 1, env.Root() / "last.txt", "last");
  }
  EXPECT_EQ(test::ReadFileBytes(env.Root() / "last.txt"), "last");
}

TEST(BackgroundSaver, ReportsFailuresInOrderOnce) {
  test::ScratchEnvironment env;
  BackgroundSaver saver(Durability::kUnflushed);
  const std::filesystem::path missing = env.Root() / "missing";
  for (int i = 1; i <= 6; ++i) {
    const std::filesystem::path folder = i % 2 == 0 ? missing : env.Root();
    saver.Save(i, folder / (std::to_string(i) + ".txt"), Content(i));
  }
  saver.Finish();
  const std::vector<BackgroundSaver::Failure> failures = saver.TakeFailures();
  ASSERT_EQ(failures.size(), 3u);
  for (std::size_t k = 0; k < failures.size(); ++k) {
    const int number = 2 * static_cast<int>(k) + 2;
    EXPECT_EQ(failures[k].number, number);
    EXPECT_EQ(failures[k].message, "cannot write " +
                                       (missing / (std::to_string(number) + ".txt")).string() +
                                       ": No such file or directory");
  }
  EXPECT_TRUE(saver.TakeFailures().empty());
  EXPECT_EQ(test::ReadFileBytes(env.Root() / "5.txt"), Content(5));
}

}  // namespace
}  // namespace kv::cli
