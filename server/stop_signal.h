#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vantor::server {

// The server's stop, raised once from any thread; open streams wait on it between pieces.
class StopSignal {
 public:
  void raise() {
    {
      std::lock_guard lock(mutex_);
      raised_ = true;
    }
    cv_.notify_all();
  }
  bool raised() const { return raised_.load(); }
  // True once raised, at the latest after d.
  bool wait(std::chrono::milliseconds d) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, d, [this] { return raised_.load(); });
  }

 private:
  std::atomic<bool> raised_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
};

}  // namespace vantor::server
