// Saving files on a second thread, so that a batch makes its next picture while the last one is
// being written: creating, writing and renaming a file costs about as much as typesetting it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/safe_save.h"

namespace kv::cli {

class BackgroundSaver {
 public:
  // A save that failed: the number it was queued with and the message naming file and reason.
  struct Failure {
    int number = 0;
    std::string message;
  };

  // Queued pictures wait in memory; the queue holds at most `maxQueuedBytes` (but always at least
  // one file), so a slow disk slows the batch down instead of filling the memory.
  explicit BackgroundSaver(Durability durability, std::size_t maxQueuedBytes = kDefaultQueuedBytes);
  // Finishes every queued save.
  ~BackgroundSaver();
  BackgroundSaver(const BackgroundSaver&) = delete;
  BackgroundSaver& operator=(const BackgroundSaver&) = delete;

  // Queues `bytes` to be saved at `path`; waits while the queue is full.
  void Save(int number, std::filesystem::path path, std::string bytes);
  // Waits until every queued save is done.
  void Finish();
  // The failures since the last call, in the order of their numbers.
  std::vector<Failure> TakeFailures();

  static constexpr std::size_t kDefaultQueuedBytes = std::size_t{4} << 20;

 private:
  struct Job {
    int number = 0;
    std::filesystem::path path;
    std::string bytes;
  };

  void Run();

  const Durability durability_;
  const std::size_t maxQueuedBytes_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  std::size_t queuedBytes_ = 0;
  bool saving_ = false;  // the writer holds a job taken off the queue
  bool stopping_ = false;
  std::vector<Failure> failures_;
  std::thread writer_;
};

}  // namespace kv::cli
