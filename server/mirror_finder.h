#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::server {

// Name look-ups, behind an interface so tests hand in their own answers and never ask a real
// resolver about a public name.
class Resolver {
 public:
  virtual ~Resolver() = default;
  // The addresses of a name, as text; empty when the look-up fails.
  virtual std::vector<std::string> addresses(const std::string& name) = 0;
  // The name of an address (reverse look-up); empty when it has none.
  virtual std::string nameOf(const std::string& address) = 0;
};

// getaddrinfo / getnameinfo.
class SystemResolver final : public Resolver {
 public:
  std::vector<std::string> addresses(const std::string& name) override;
  std::string nameOf(const std::string& address) override;
};

// The public directory's mirrors, found as its documentation asks of clients: the addresses of
// all.api.radio-browser.info, then each one's name, as "https://NAME/", in random order. The
// built-in names only when that finds nothing.
constexpr const char* kMirrorsName = "all.api.radio-browser.info";
std::vector<std::string> builtInMirrors();
std::vector<std::string> findMirrors(Resolver& resolver, uint32_t seed);

}  // namespace vantor::server
