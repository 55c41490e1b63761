#include "background_jobs.h"

namespace vantor::server {

BackgroundJobs::BackgroundJobs(size_t threads, size_t maxQueued) : maxQueued_(maxQueued) {
  for (size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

BackgroundJobs::~BackgroundJobs() {
  stop();
  for (auto& t : threads_) t.join();
}

void BackgroundJobs::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  queued_.notify_all();
  finished_.notify_all();
}

bool BackgroundJobs::start(const std::string& key, std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    if (pending_.count(key)) return true;
    if (stopping_ || queue_.size() >= maxQueued_) return false;
    pending_.insert(key);
    queue_.emplace_back(key, std::move(work));
  }
  queued_.notify_one();
  return true;
}

bool BackgroundJobs::waitFor(const std::string& key, std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return finished_.wait_for(lock, limit, [&] { return stopping_ || !pending_.count(key); }) && !stopping_;
}

void BackgroundJobs::waitIdle() {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return stopping_ || pending_.empty(); });
}

void BackgroundJobs::work() {
  for (;;) {
    std::pair<std::string, std::function<void()>> job;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    try {
      job.second();
    } catch (...) {
      // The job logs its own failures; a worker must outlive them.
    }
    {
      std::lock_guard lock(mutex_);
      pending_.erase(job.first);
    }
    finished_.notify_all();
  }
}

}  // namespace vantor::server
