#include "oggpages.h"

#include <cstring>
#include <utility>

namespace oggpages {

std::size_t pageLength(const unsigned char* p, std::size_t size) {
  if (size < 27 || std::memcmp(p, "OggS", 4) != 0 || p[4] != 0) return 0;
  const std::size_t segments = p[26];
  if (size < 27 + segments) return 0;
  std::size_t length = 27 + segments;
  for (std::size_t i = 0; i < segments; ++i) length += p[27 + i];
  return length <= size ? length : 0;
}

bool beginsStream(const unsigned char* p) { return (p[5] & 0x02) != 0; }

std::uint32_t serial(const unsigned char* p) {
  return std::uint32_t(p[14]) | std::uint32_t(p[15]) << 8 | std::uint32_t(p[16]) << 16 |
         std::uint32_t(p[17]) << 24;
}

namespace {
bool granuleIsZero(const unsigned char* p) {
  for (int i = 6; i < 14; ++i)
    if (p[i] != 0) return false;
  return true;
}
}  // namespace

std::string headers(const std::string& bytes, std::uint32_t serialNumber) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::string out;
  std::size_t pos = bytes.find("OggS");
  while (pos != std::string::npos && pos < bytes.size()) {
    const std::size_t n = pageLength(p + pos, bytes.size() - pos);
    if (n == 0) break;
    if (serial(p + pos) == serialNumber) {
      if (out.empty() && !beginsStream(p + pos)) break;
      if (!beginsStream(p + pos) && !granuleIsZero(p + pos)) return out;
      out.append(bytes, pos, n);
    }
    pos += n;
  }
  return {};  // the stream's first audio page is not in the bytes: the headers may be incomplete
}

}  // namespace oggpages

namespace {
constexpr std::size_t kMaxUnsynced = 64 * 1024;  // longer than any page
}  // namespace

OggPageSync::Pages OggPageSync::add(const char* data, std::size_t size) {
  bytes_.erase(0, std::exchange(taken_, 0));
  bytes_.append(data, size);
  headers_.clear();
  Pages out;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data());
  while (!synced_) {
    const std::size_t n = oggpages::pageLength(p, bytes_.size());
    if (n == 0) {
      out.lost = bytes_.size() > kMaxUnsynced;
      return out;
    }
    if (oggpages::beginsStream(p)) {
      synced_ = true;
    } else if (headers_ = oggpages::headers(head_, oggpages::serial(p)); !headers_.empty()) {
      synced_ = true;
    } else {
      // Joined in the middle of a song whose headers are gone: start with the next one.
      bytes_.erase(0, n);
      const std::size_t next = bytes_.find("OggS");
      bytes_.erase(0, next == std::string::npos ? bytes_.size() : next);
      p = reinterpret_cast<const unsigned char*>(bytes_.data());
    }
  }
  out.headers = headers_;
  while (std::size_t n = oggpages::pageLength(p + taken_, bytes_.size() - taken_)) taken_ += n;
  out.lost = taken_ == 0 && bytes_.size() > kMaxUnsynced;
  out.pages = std::string_view(bytes_.data(), taken_);
  head_.clear();
  return out;
}
