#include "report_limiter.h"

#include <algorithm>

namespace vantor::server {

ReportLimiter::ReportLimiter(int burst, Clock::duration every, size_t maxAddresses)
    : burst_(burst), every_(every), maxAddresses_(maxAddresses) {}

double ReportLimiter::refilled(const Bucket& b, Clock::time_point now) const {
  const double gained = std::chrono::duration<double>(now - b.at) / std::chrono::duration<double>(every_);
  return std::min<double>(burst_, b.tokens + std::max(0.0, gained));
}

bool ReportLimiter::allow(const std::string& address, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  auto it = buckets_.find(address);
  if (it == buckets_.end()) {
    if (buckets_.size() >= maxAddresses_) {
      // Addresses that have waited long enough are as good as new: forget them.
      std::erase_if(buckets_, [&](const auto& kv) { return refilled(kv.second, now) >= burst_; });
      if (buckets_.size() >= maxAddresses_) return false;
    }
    it = buckets_.emplace(address, Bucket{static_cast<double>(burst_), now}).first;
  }
  Bucket& b = it->second;
  b.tokens = refilled(b, now);
  b.at = now;
  if (b.tokens < 1) return false;
  b.tokens -= 1;
  return true;
}

}  // namespace vantor::server
