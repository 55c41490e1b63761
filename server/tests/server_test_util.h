#pragma once

#include <arpa/inet.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

// A fresh folder under /tmp, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vantor-dir-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string path(const std::string& name = {}) const { return name.empty() ? path_ : path_ + "/" + name; }

 private:
  std::string path_;
};

// A loopback port that was free a moment ago.
inline int freePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

// Reads an ICY stream back into audio and the titles it carried.
inline void unframe(const std::string& framed, size_t metaint, std::string& audio,
                    std::vector<std::string>& titles) {
  size_t at = 0;
  while (at < framed.size()) {
    const size_t n = std::min(metaint, framed.size() - at);
    audio += framed.substr(at, n);
    at += n;
    if (n < metaint || at >= framed.size()) break;
    const size_t len = static_cast<unsigned char>(framed[at]) * 16u;
    ASSERT_LE(at + 1 + len, framed.size());
    if (len) titles.push_back(framed.substr(at + 1, len));
    at += 1 + len;
  }
}
