#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// Ogg pages: the length of the page at p (0 while fewer than its bytes are there or p holds
// no page), whether it begins a logical stream, and its stream's serial number.
namespace oggpages {

std::size_t pageLength(const unsigned char* p, std::size_t size);
bool beginsStream(const unsigned char* p);
std::uint32_t serial(const unsigned char* p);
// The header pages (from the stream's first page, up to the first page with audio) of the
// logical stream `serial` in bytes that start with that stream; empty when they are not there.
std::string headers(const std::string& bytes, std::uint32_t serial);

}  // namespace oggpages

// Hands on an Ogg stream in whole pages (a file that ends inside a page is one a player may
// refuse), from a page where a decoder can start: the first page of a logical stream, or any
// page once that stream's headers, found in the connection's first bytes, go before it.
class OggPageSync {
 public:
  struct Pages {
    std::string_view headers;  // the headers of the stream joined in the middle, once
    std::string_view pages;
    bool lost = false;  // no page where one must be by now: not a stream that can be written
  };

  // head: the connection's first bytes.
  explicit OggPageSync(std::string head = {}) : head_(std::move(head)) {}

  // What can be written now; valid until the next add.
  Pages add(const char* data, std::size_t size);

 private:
  std::string head_;
  std::string headers_;
  std::string bytes_;
  std::size_t taken_ = 0;  // bytes before it are handed on
  bool synced_ = false;
};
