#pragma once

#include "directory_server.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vantor::server {

using namespace std::chrono_literals;

inline Catalogue testCatalogue() {
  Catalogue cat;
  cat.countries.push_back(
      {"holland",
       "Holland",
       "The Netherlands",
       "nl",
       {{"polder-fm", "Polder FM", "pop", StreamKind::Mp3, 64, "{host}/station/polder-fm"},
        {"grachten-jazz", "Grachten Jazz", "jazz", StreamKind::Pls, 64, "{host}/station/grachten-jazz"},
        {"duinradio", "Duinradio", "nieuws", StreamKind::M3u, 64, "h/d"},
        {"tulp-rock", "Tulp Rock", "rock", StreamKind::Drop, 64, "h/t"},
        {"verdwenen-fm", "Verdwenen FM", "oldies", StreamKind::Broken, 64, "h/v"},
        {"stil-fm", "Stil FM", "stilte", StreamKind::Mp3, 64, "h/s"}}});
  cat.countries.push_back({"belgie",
                           "België",
                           "Belgium",
                           "nl",
                           {{"schelde", "Schelde Jazz", "jazz", StreamKind::Mp3, 64, "h/sch"}}});
  return cat;
}

// A directory on a free loopback port, run on its own thread.
class Directory {
 public:
  Directory(const std::string& dbPath, ServerLimits limits = fast()) : db_(dbPath) {
    db_.replaceCatalogue(testCatalogue());
    auto loop = std::make_shared<AudioLoop>();
    for (int i = 0; i < 20000; ++i) loop->bytes += static_cast<char>(i % 251);
    loop->bytesPerSecond = 8000;
    for (const char* key : {"polder-fm", "grachten-jazz", "duinradio", "tulp-rock", "schelde"})
      audio_.add(key, loop);
    server_ = std::make_unique<DirectoryServer>(db_, audio_, limits, [this](const std::string& line) {
      std::lock_guard lock(logMutex_);
      log_.push_back(line);
    });
    port_ = server_->bind("127.0.0.1", 0);
    thread_ = std::thread([this] { server_->run(); });
    for (int i = 0; i < 200 && !server_->isRunning(); ++i) std::this_thread::sleep_for(5ms);
  }
  ~Directory() { stop(); }

  static ServerLimits fast() {
    ServerLimits l;
    l.burstBytes = 4000;
    l.icyMetaint = 1000;
    l.dropAfter = 300ms;
    l.titleEvery = 1s;
    return l;
  }

  void stop() {
    if (thread_.joinable()) {
      server_->stop();
      thread_.join();
    }
  }
  int port() const { return port_; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  DirectoryDb& db() { return db_; }
  httplib::Client client() const {
    httplib::Client c("127.0.0.1", port_);
    c.set_read_timeout(5, 0);
    return c;
  }
  std::vector<std::string> log() {
    std::lock_guard lock(logMutex_);
    return log_;
  }

 private:
  DirectoryDb db_;
  AudioLibrary audio_;
  std::unique_ptr<DirectoryServer> server_;
  int port_ = -1;
  std::thread thread_;
  std::mutex logMutex_;
  std::vector<std::string> log_;
};

// A plain loopback socket, for clients that misbehave in ways httplib::Client cannot.
class RawClient {
 public:
  explicit RawClient(int port, int rcvbuf = 0) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (rcvbuf > 0) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~RawClient() {
    if (fd_ >= 0) close(fd_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  bool send(const std::string& s) {
    return ::send(fd_, s.data(), s.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(s.size());
  }
  // What arrives until the server closes (closed = true), `limit` passes or `atMost` bytes came.
  std::string read(std::chrono::milliseconds limit, bool* closed = nullptr, size_t atMost = SIZE_MAX) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (got.size() >= atMost || left <= 0ms || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buf[4096];
      const ssize_t n = recv(fd_, buf, std::min(sizeof buf, atMost - got.size()), 0);
      if (n <= 0) {
        if (closed) *closed = true;
        break;
      }
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }

 private:
  int fd_ = -1;
};

}  // namespace vantor::server
