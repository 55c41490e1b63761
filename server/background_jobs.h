#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vantor::server {

// A few worker threads for upstream work, so no request thread ever waits on the network
// longer than it chooses to. A job is known by a key: the same key queued twice runs once.
class BackgroundJobs {
 public:
  BackgroundJobs(size_t threads, size_t maxQueued);
  ~BackgroundJobs();  // drops what is queued, waits for what runs
  BackgroundJobs(const BackgroundJobs&) = delete;
  BackgroundJobs& operator=(const BackgroundJobs&) = delete;

  // False when the queue is full (the job is dropped). True also when the key is already queued or running.
  bool start(const std::string& key, std::function<void()> work);
  // True once no job with this key is queued or running; false when the time ran out first.
  bool waitFor(const std::string& key, std::chrono::milliseconds limit);
  // Until nothing is queued or running.
  void waitIdle();
  // Drops what is queued, refuses what comes and ends every wait; what runs is left to end
  // (the destructor waits for it).
  void stop();

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable queued_, finished_;
  std::deque<std::pair<std::string, std::function<void()>>> queue_;
  std::set<std::string> pending_;
  size_t maxQueued_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace vantor::server
