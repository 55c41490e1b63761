#pragma once

#include "http_gate.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <list>
#include <memory>
#include <string>

namespace vantor::server {

struct GateConnection {
  int fd = -1;
  std::string buf;  // read but not yet handled
  size_t pos = 0;   // how much of buf the current request has used
  size_t requests = 0;
  bool started = false;  // some of the next head has arrived
  bool closing = false;  // refused: reading what is still coming before the close
  std::chrono::steady_clock::time_point deadline;
  uint64_t id = 0;  // what epoll reports, so a connection closed meanwhile is not looked at
  std::list<std::unique_ptr<GateConnection>>::iterator at;
};

// One request's reads and writes: first what the gate already read, then the socket, with
// deadlines, and a watch on the send queue so a client that stops taking data is let go.
class GateStream : public httplib::Stream {
 public:
  using Clock = std::chrono::steady_clock;

  GateStream(GateConnection& c, const ConnectionLimits& limits, const std::atomic<bool>& halting);

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return c_.fd; }

 private:
  enum class Ready { Yes, NotYet, Gone };
  Ready wait(short events, Clock::duration d) const;
  size_t unsent() const;
  bool waitWritable() const;

  GateConnection& c_;
  const ConnectionLimits& limits_;
  const std::atomic<bool>& halting_;
  Clock::time_point readDeadline_;
  size_t written_ = 0;
  // What the peer had taken when last looked at, and when that last grew.
  mutable size_t taken_ = 0;
  mutable Clock::time_point lastProgress_;
};

}  // namespace vantor::server
