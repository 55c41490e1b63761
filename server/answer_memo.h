#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace vantor::server {

// Finished answers, each kept with the version of the cached list it was made from, so a
// request whose list has not changed since is answered without the database. Bounded in bytes:
// when full it starts afresh, which costs only the rendering again.
class AnswerMemo {
public:
    explicit AnswerMemo(size_t maxBytes)
        : maxBytes_(maxBytes)
    {
    }

    std::optional<std::string> Find(const std::string &key, uint64_t version)
    {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(key);
        if (it == entries_.end() || it->second.version != version)
            return std::nullopt;
        return it->second.answer;
    }

    void Keep(const std::string &key, uint64_t version, const std::string &answer)
    {
        const size_t size = key.size() + answer.size();
        if (size > maxBytes_)
            return;
        std::lock_guard lock(mutex_);
        if (auto it = entries_.find(key); it != entries_.end()) {
            bytes_ -= key.size() + it->second.answer.size();
            entries_.erase(it);
        }
        if (bytes_ + size > maxBytes_) {
            entries_.clear();
            bytes_ = 0;
        }
        entries_[key] = {version, answer};
        bytes_ += size;
    }

private:
    struct Entry {
        uint64_t version;
        std::string answer;
    };
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
    size_t bytes_ = 0;
    const size_t maxBytes_;
};

}  // namespace vantor::server
