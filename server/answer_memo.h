#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace vantor::server {

// Finished answers, each kept with the version of the cached list it was made from, so a
// request whose list has not changed since is answered without the database. Bounded in bytes;
// when full, the answers asked for least recently go first, so the common ones stay.
class AnswerMemo {
 public:
  explicit AnswerMemo(size_t maxBytes) : maxBytes_(maxBytes) {}

  std::optional<std::string> find(const std::string& key, uint64_t version) {
    std::shared_ptr<const std::string> answer;
    {
      std::lock_guard lock(mutex_);
      const auto it = entries_.find(key);
      if (it == entries_.end() || it->second.version != version) return std::nullopt;
      order_.splice(order_.begin(), order_, it->second.place);
      answer = it->second.answer;
    }
    return *answer;  // copied outside the lock: a search answer may be tens of kilobytes
  }

  void keep(const std::string& key, uint64_t version, const std::string& answer) {
    const size_t size = cost(key, answer.size());
    if (size > maxBytes_) return;
    auto kept = std::make_shared<const std::string>(answer);
    std::lock_guard lock(mutex_);
    if (auto it = entries_.find(key); it != entries_.end()) drop(it);
    while (bytes_ + size > maxBytes_ && !order_.empty()) drop(entries_.find(order_.back()));
    order_.push_front(key);
    entries_.emplace(key, Entry{version, std::move(kept), order_.begin()});
    bytes_ += size;
  }

  size_t bytes() {
    std::lock_guard lock(mutex_);
    return bytes_;
  }

 private:
  struct Entry {
    uint64_t version;
    std::shared_ptr<const std::string> answer;
    std::list<std::string>::iterator place;
  };
  using Entries = std::unordered_map<std::string, Entry>;

  // The key is held twice (map and order).
  static size_t cost(const std::string& key, size_t answerBytes) { return 2 * key.size() + answerBytes; }

  void drop(Entries::iterator it)  // under mutex_
  {
    bytes_ -= cost(it->first, it->second.answer->size());
    order_.erase(it->second.place);
    entries_.erase(it);
  }

  std::mutex mutex_;
  Entries entries_;
  std::list<std::string> order_;  // most recently asked first
  size_t bytes_ = 0;
  const size_t maxBytes_;
};

}  // namespace vantor::server
