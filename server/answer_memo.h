#pragma once

#include "hosted_answer.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

namespace vantor::server {

using SharedAnswer = std::shared_ptr<const HostedAnswer>;

// Finished answers, each kept with the version of the cached list it was made from, so a
// request whose list has not changed since is answered without the database. Bounded in bytes;
// when full, the answers asked for least recently go first, so the common ones stay.
// An answer is made once however many ask for it at the same time, and one still being sent
// is handed out again even when it was too large to keep.
class AnswerMemo {
 public:
  explicit AnswerMemo(size_t maxBytes) : maxBytes_(maxBytes) {}

  SharedAnswer find(const std::string& key, uint64_t version);
  void keep(const std::string& key, uint64_t version, SharedAnswer answer);
  // The answer kept or in use; while another request makes it, waits for that; otherwise
  // make() (nullptr: no answer, nothing kept).
  SharedAnswer get(const std::string& key, uint64_t version, const std::function<SharedAnswer()>& make);
  size_t bytes();

 private:
  struct Entry {
    uint64_t version;
    SharedAnswer answer;
    std::list<std::string>::iterator place;
  };
  struct Live {
    uint64_t version;
    std::weak_ptr<const HostedAnswer> answer;
  };
  using Entries = std::unordered_map<std::string, Entry>;

  // The key is held twice (map and order).
  static size_t cost(const std::string& key, const HostedAnswer& a) { return 2 * key.size() + a.bytes(); }

  // These under mutex_.
  SharedAnswer findLocked(const std::string& key, uint64_t version);
  void keepLocked(const std::string& key, uint64_t version, SharedAnswer answer);
  void drop(Entries::iterator it);

  std::mutex mutex_;
  std::condition_variable made_;
  Entries entries_;
  std::list<std::string> order_;                // most recently asked first
  std::unordered_map<std::string, Live> live_;  // answers handed out, while someone holds them
  std::set<std::string> making_;
  size_t bytes_ = 0;
  const size_t maxBytes_;
};

}  // namespace vantor::server
