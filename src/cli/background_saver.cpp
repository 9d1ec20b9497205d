#include "cli/background_saver.h"

#include <utility>

#include "render/picture.h"

namespace kv::cli {

BackgroundSaver::BackgroundSaver(Durability durability, std::size_t maxQueuedBytes)
    : durability_(durability), maxQueuedBytes_(maxQueuedBytes), writer_([this] { Run(); }) {}

BackgroundSaver::~BackgroundSaver() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  writer_.join();
}

void BackgroundSaver::Save(int number, std::filesystem::path path, std::string bytes) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock,
                [&] { return queue_.empty() || queuedBytes_ + bytes.size() <= maxQueuedBytes_; });
  queuedBytes_ += bytes.size();
  queue_.push_back({number, std::move(path), std::move(bytes)});
  // Waking the writer for every file would cost more than the file; it only sleeps on an empty
  // queue.
  const bool wake = queue_.size() == 1 && !saving_;
  lock.unlock();
  if (wake) changed_.notify_all();
}

void BackgroundSaver::Finish() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return queue_.empty() && !saving_; });
}

std::vector<BackgroundSaver::Failure> BackgroundSaver::TakeFailures() {
  const std::lock_guard lock(mutex_);
  return std::exchange(failures_, {});
}

// Saves queued jobs in order until the saver is stopped and the queue is empty.
void BackgroundSaver::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    saving_ = true;
    lock.unlock();

    std::string error;
    const bool saved = SavePicture(job.path, job.bytes, error, durability_);

    lock.lock();
    saving_ = false;
    queuedBytes_ -= job.bytes.size();
    if (!saved) failures_.push_back({job.number, std::move(error)});
    changed_.notify_all();
  }
}

}  // namespace kv::cli
