#pragma once

#include "connection_limits.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vantor::server {

struct GateConnection;

// cpp-httplib's request handling behind an event-driven front: connections wait for a complete
// request head in one epoll thread, so idle and slow clients hold no worker, and only whole
// heads reach the workers. Routes are added on it as on any httplib::Server.
class GatedHttpServer : public httplib::Server {
 public:
  explicit GatedHttpServer(ConnectionLimits limits);
  ~GatedHttpServer() override;

  // listen_after_bind() with the gate and the workers running.
  bool serve();
  // stop() and the end of every connection; waits for the workers.
  void shutdown();

 private:
  using Conn = std::unique_ptr<GateConnection>;

  bool process_and_close_socket(socket_t sock) override;

  void gateLoop();
  void workerLoop();
  void admit(Conn c);
  void park(Conn c);  // under mutex_: waits in epoll for its next head
  // False when the connection is finished with; after true it may be with a worker.
  bool readHead(GateConnection& c);
  bool receive(GateConnection& c);  // false at the peer's end or an error
  bool examine(GateConnection& c);  // false while the head is incomplete
  void refuse(GateConnection& c, int status, const char* text);
  void close(GateConnection* c);  // under mutex_
  void sweep();                   // under mutex_

  ConnectionLimits limits_;
  socket_t listening_ = INVALID_SOCKET;
  int epoll_ = -1;
  int wake_ = -1;
  std::thread gate_;
  std::vector<std::thread> workers_;
  std::atomic<bool> stopping_{false};

  std::mutex shutdownMutex_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::list<Conn> waiting_;  // in the gate, oldest first
  std::deque<Conn> heads_;   // complete heads for the workers
  size_t busy_ = 0;          // connections the workers hold
  std::unordered_map<uint64_t, GateConnection*> byId_;
  uint64_t lastId_ = 0;
};

}  // namespace vantor::server
