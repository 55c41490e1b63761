#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vantor::server {

// How many reports one client address may send: `burst` at once, then one per `every`.
// Remembers at most `maxAddresses`; when they are all still limited, new addresses wait too,
// so a flood from many addresses cannot grow this table or the database.
class ReportLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  ReportLimiter(int burst, Clock::duration every, size_t maxAddresses = 10000);

  bool allow(const std::string& address, Clock::time_point now = Clock::now());

 private:
  struct Bucket {
    double tokens;
    Clock::time_point at;
  };
  double refilled(const Bucket& b, Clock::time_point now) const;

  int burst_;
  Clock::duration every_;
  size_t maxAddresses_;
  std::mutex mutex_;
  std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace vantor::server
