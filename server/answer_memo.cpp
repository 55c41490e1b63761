#include "answer_memo.h"

namespace vantor::server {

namespace {

// Past this many, answers nobody holds any more are forgotten.
constexpr size_t kMaxLive = 256;

}  // namespace

SharedAnswer AnswerMemo::find(const std::string& key, uint64_t version) {
  std::lock_guard lock(mutex_);
  return findLocked(key, version);
}

void AnswerMemo::keep(const std::string& key, uint64_t version, SharedAnswer answer) {
  std::lock_guard lock(mutex_);
  keepLocked(key, version, std::move(answer));
}

size_t AnswerMemo::bytes() {
  std::lock_guard lock(mutex_);
  return bytes_;
}

SharedAnswer AnswerMemo::get(const std::string& key, uint64_t version,
                             const std::function<SharedAnswer()>& make) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (auto kept = findLocked(key, version)) return kept;
    const auto live = live_.find(key);
    if (live != live_.end() && live->second.version == version)
      if (auto inUse = live->second.answer.lock()) return inUse;
    if (!making_.count(key)) break;
    made_.wait(lock);
  }
  making_.insert(key);
  lock.unlock();
  SharedAnswer made;
  try {
    made = make();
  } catch (...) {
    lock.lock();
    making_.erase(key);
    made_.notify_all();
    throw;
  }
  lock.lock();
  making_.erase(key);
  if (made) {
    keepLocked(key, version, made);
    if (live_.size() >= kMaxLive)
      std::erase_if(live_, [](const auto& l) { return l.second.answer.expired(); });
    live_[key] = {version, made};
  }
  made_.notify_all();
  return made;
}

SharedAnswer AnswerMemo::findLocked(const std::string& key, uint64_t version) {
  const auto it = entries_.find(key);
  if (it == entries_.end() || it->second.version != version) return nullptr;
  order_.splice(order_.begin(), order_, it->second.place);
  return it->second.answer;
}

void AnswerMemo::keepLocked(const std::string& key, uint64_t version, SharedAnswer answer) {
  if (auto it = entries_.find(key); it != entries_.end()) drop(it);
  const size_t size = cost(key, *answer);
  if (size > maxBytes_) return;
  while (bytes_ + size > maxBytes_ && !order_.empty()) drop(entries_.find(order_.back()));
  order_.push_front(key);
  entries_.emplace(key, Entry{version, std::move(answer), order_.begin()});
  bytes_ += size;
}

void AnswerMemo::drop(Entries::iterator it) {
  bytes_ -= cost(it->first, *it->second.answer);
  order_.erase(it->second.place);
  entries_.erase(it);
}

}  // namespace vantor::server
