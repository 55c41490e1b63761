#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::server {

// An answer in which this server's own address (the Host a client used) appears at known
// places: made once, then written out for each request with that request's address, so a list
// of 100,000 stations is held once however many clients and Host headers ask for it.
class HostedAnswer {
 public:
  void append(std::string_view text) { text_ += text; }
  // The address goes here.
  void markHost() { hostAt_.push_back(text_.size()); }
  // Gives back what growing left spare.
  void finish();

  size_t size(size_t hostLength) const { return text_.size() + hostAt_.size() * hostLength; }
  // Memory it holds.
  size_t bytes() const { return text_.capacity() + hostAt_.capacity() * sizeof(size_t); }
  // Appends to out up to `length` bytes of the answer for `host`, starting at `offset`.
  void write(size_t offset, size_t length, std::string_view host, std::string& out) const;
  std::string render(std::string_view host) const;

 private:
  std::string text_;
  std::vector<size_t> hostAt_;  // ascending offsets into text_
};

}  // namespace vantor::server
