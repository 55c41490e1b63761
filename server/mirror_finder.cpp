#include "mirror_finder.h"

#include <algorithm>
#include <memory>
#include <netdb.h>
#include <random>
#include <sys/socket.h>

namespace vantor::server {

namespace {

// A DNS answer goes into an address: only a plain host name does.
bool isHostName(const std::string& s) {
  if (s.empty() || s.size() > 253 || s.front() == '.' || s.front() == '-') return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
  });
}

}  // namespace

std::vector<std::string> SystemResolver::addresses(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return {};
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(found, freeaddrinfo);
  std::vector<std::string> out;
  for (const addrinfo* a = found; a; a = a->ai_next) {
    char text[NI_MAXHOST] = {};
    if (getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) == 0 &&
        std::find(out.begin(), out.end(), text) == out.end())
      out.push_back(text);
  }
  return out;
}

std::string SystemResolver::nameOf(const std::string& address) {
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  if (getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0) return {};
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(found, freeaddrinfo);
  char name[NI_MAXHOST] = {};
  if (getnameinfo(found->ai_addr, found->ai_addrlen, name, sizeof name, nullptr, 0, NI_NAMEREQD) != 0)
    return {};
  return name;
}

std::vector<std::string> builtInMirrors() {
  return {"https://de1.api.radio-browser.info/", "https://nl1.api.radio-browser.info/",
          "https://at1.api.radio-browser.info/"};
}

std::vector<std::string> findMirrors(Resolver& resolver, uint32_t seed) {
  std::vector<std::string> out;
  for (const auto& address : resolver.addresses(kMirrorsName)) {
    std::string name = resolver.nameOf(address);
    if (!name.empty() && name.back() == '.') name.pop_back();
    if (!isHostName(name)) continue;
    const std::string base = "https://" + name + "/";
    if (std::find(out.begin(), out.end(), base) == out.end()) out.push_back(base);
  }
  if (out.empty()) out = builtInMirrors();
  std::mt19937 random(seed);
  std::shuffle(out.begin(), out.end(), random);
  return out;
}

}  // namespace vantor::server
