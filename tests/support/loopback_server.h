#pragma once

#include <httplib.h>

#include <QString>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

// A cpp-httplib server on a free port of 127.0.0.1 for the length of one test.
// Register handlers on server() before start().
class LoopbackServer {
 public:
  LoopbackServer() = default;
  ~LoopbackServer() { stop(); }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  httplib::Server& server() { return server_; }

  // Binds and serves on a background thread; returns the port.
  int start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("no free loopback port");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int i = 0; i < 500 && !server_.is_running(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!server_.is_running()) throw std::runtime_error("loopback server did not start");
    return port_;
  }

  void stop() {
    if (thread_.joinable()) {
      server_.stop();
      thread_.join();
    }
  }

  int port() const { return port_; }
  // "http://127.0.0.1:PORT/"
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  QString url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};
