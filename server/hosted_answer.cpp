#include "hosted_answer.h"

#include <algorithm>

namespace vantor::server {

void HostedAnswer::finish() {
  text_.shrink_to_fit();
  hostAt_.shrink_to_fit();
}

void HostedAnswer::write(size_t offset, size_t length, std::string_view host, std::string& out) const {
  const size_t h = host.size();
  const size_t end = std::min(offset + length, size(h));
  // The k-th address starts at hostAt_[k] + k * h in the answer; find the first that ends after offset.
  size_t k = 0;
  for (size_t lo = 0, hi = hostAt_.size(); lo < hi;) {
    const size_t mid = lo + (hi - lo) / 2;
    if (hostAt_[mid] + (mid + 1) * h <= offset)
      lo = k = mid + 1;
    else
      hi = mid;
  }
  size_t at = offset;
  while (at < end) {
    const size_t hostStart = k < hostAt_.size() ? hostAt_[k] + k * h : size(h);
    if (at < hostStart) {  // text before the next address
      const size_t n = std::min(hostStart, end) - at;
      out.append(text_, at - k * h, n);
      at += n;
    } else {  // within the address
      const size_t n = std::min(hostStart + h, end) - at;
      out.append(host.substr(at - hostStart, n));
      at += n;
      if (at == hostStart + h) ++k;
    }
  }
}

std::string HostedAnswer::render(std::string_view host) const {
  std::string out;
  out.reserve(size(host.size()));
  write(0, size(host.size()), host, out);
  return out;
}

}  // namespace vantor::server
