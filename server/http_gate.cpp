#include "http_gate.h"

#include "gate_stream.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace vantor::server {

using Clock = std::chrono::steady_clock;

namespace {

// Runs each accepted socket's task at once on the accepting thread: it only hands the socket over.
class HandOver : public httplib::TaskQueue {
 public:
  void enqueue(std::function<void()> fn) override { fn(); }
  void shutdown() override {}
};

const char* reason(int status) {
  switch (status) {
    case 408:
      return "Request Timeout";
    case 413:
      return "Payload Too Large";
    case 414:
      return "URI Too Long";
    default:
      return "Request Header Fields Too Large";
  }
}

// The announced body length, or 0.
size_t contentLength(const std::string& head) {
  std::string lower(head);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  const size_t at = lower.find("\ncontent-length:");
  if (at == std::string::npos) return 0;
  const char* p = lower.c_str() + at + 16;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p < '0' || *p > '9') return 0;
  return static_cast<size_t>(std::strtoull(p, nullptr, 10));  // saturates on absurd lengths
}

}  // namespace

GatedHttpServer::GatedHttpServer(ConnectionLimits limits) : limits_(limits) {
  new_task_queue = [] { return new HandOver; };
  set_payload_max_length(limits_.maxBody);
  // Without SO_REUSEPORT, so a second server on a taken port fails instead of sharing it.
  // The last socket set up is the one that got bound.
  set_socket_options([this](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening_ = sock;
  });
}

GatedHttpServer::~GatedHttpServer() { shutdown(); }

bool GatedHttpServer::serve() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ || gate_.joinable()) return false;
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epoll_ < 0 || wake_ < 0) return false;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = 0;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &ev);
    gate_ = std::thread([this] { gateLoop(); });
    for (size_t i = 0; i < limits_.workers; ++i) workers_.emplace_back([this] { workerLoop(); });
  }
  // httplib listens with a backlog of 5; listening again on the bound socket only enlarges it.
  // (After a failed bind the number may name another socket by now: only a listening one is touched.)
  int accepting = 0;
  socklen_t len = sizeof accepting;
  if (listening_ != INVALID_SOCKET &&
      getsockopt(listening_, SOL_SOCKET, SO_ACCEPTCONN, &accepting, &len) == 0 && accepting)
    ::listen(listening_, limits_.backlog);
  return listen_after_bind();
}

void GatedHttpServer::shutdown() {
  std::lock_guard once(shutdownMutex_);  // the signal thread and the serving thread may both end it
  stop();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  if (wake_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
  }
  if (gate_.joinable()) gate_.join();
  for (auto& w : workers_) w.join();
  workers_.clear();
  std::lock_guard lock(mutex_);
  while (!waiting_.empty()) close(waiting_.front().get());
  for (auto& c : heads_) ::close(c->fd);
  heads_.clear();
  for (int* fd : {&epoll_, &wake_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

bool GatedHttpServer::process_and_close_socket(socket_t sock) {
  auto c = std::make_unique<GateConnection>();
  c->fd = sock;
  fcntl(sock, F_SETFL, fcntl(sock, F_GETFL) | O_NONBLOCK);
  admit(std::move(c));
  return true;
}

void GatedHttpServer::admit(Conn c) {
  std::lock_guard lock(mutex_);
  if (stopping_) {
    ::close(c->fd);
    return;
  }
  if (waiting_.size() + heads_.size() + busy_ >= limits_.maxConnections) {
    if (waiting_.empty()) {
      ::close(c->fd);  // every connection is being answered; this one must try again
      return;
    }
    close(waiting_.front().get());  // the longest-waiting one makes room
  }
  park(std::move(c));
}

void GatedHttpServer::park(Conn c) {
  c->buf.erase(0, c->pos);
  c->pos = 0;
  c->started = !c->buf.empty();
  c->deadline = Clock::now() + (c->started ? limits_.headTimeout : limits_.idleTimeout);
  GateConnection* raw = c.get();
  waiting_.push_back(std::move(c));
  raw->at = std::prev(waiting_.end());
  raw->id = ++lastId_;
  byId_[raw->id] = raw;
  epoll_event ev{};
  ev.events = EPOLLIN | EPOLLRDHUP;
  ev.data.u64 = raw->id;
  epoll_ctl(epoll_, EPOLL_CTL_ADD, raw->fd, &ev);
  if (raw->started && !readHead(*raw))  // a pipelined request may already be complete
    close(raw);
}

void GatedHttpServer::close(GateConnection* c) {
  epoll_ctl(epoll_, EPOLL_CTL_DEL, c->fd, nullptr);
  byId_.erase(c->id);
  ::close(c->fd);
  waiting_.erase(c->at);
}

void GatedHttpServer::refuse(GateConnection& c, int status, const char* text) {
  const std::string body = std::string(text) + "\n";
  const std::string reply = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) +
                            "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                            "\r\nConnection: close\r\n\r\n" + body;
  [[maybe_unused]] auto n = send(c.fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  // Reading on briefly, so that closing with unread data does not reset the reply away.
  ::shutdown(c.fd, SHUT_WR);
  c.closing = true;
  c.buf.clear();
  c.deadline = Clock::now() + std::chrono::seconds(1);
}

bool GatedHttpServer::receive(GateConnection& c) {
  char tmp[4096];
  for (;;) {
    const size_t room = c.closing ? sizeof tmp : std::min(sizeof tmp, limits_.maxHead + 1 - c.buf.size());
    if (room == 0) return true;
    const ssize_t n = recv(c.fd, tmp, room, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
    if (n < 0) return true;
    if (!c.closing) c.buf.append(tmp, static_cast<size_t>(n));
    if (!c.started) {
      c.started = true;
      c.deadline = Clock::now() + limits_.headTimeout;
    }
  }
}

bool GatedHttpServer::examine(GateConnection& c) {
  const size_t line = c.buf.find('\n');
  if ((line == std::string::npos ? c.buf.size() : line) > limits_.maxRequestLine) {
    refuse(c, 414, "request line too long");
    return true;
  }
  size_t end = c.buf.find("\r\n\r\n");
  end = end != std::string::npos ? end + 4 : c.buf.find("\n\n");
  if (end == std::string::npos) {
    if (c.buf.size() <= limits_.maxHead) return false;
    refuse(c, 431, "request head too large");
    return true;
  }
  if (contentLength(c.buf.substr(0, end)) > limits_.maxBody) {
    refuse(c, 413, "request body too large");
    return true;
  }
  epoll_ctl(epoll_, EPOLL_CTL_DEL, c.fd, nullptr);
  byId_.erase(c.id);
  heads_.push_back(std::move(*c.at));
  waiting_.erase(c.at);
  ready_.notify_one();
  return true;
}

bool GatedHttpServer::readHead(GateConnection& c) {
  const bool open = receive(c);
  if (c.closing) return open;
  // A client may send its request and then close its side: it is still answered.
  const bool settled = examine(c);
  return (settled && !c.closing) || open;
}

void GatedHttpServer::sweep() {
  const auto now = Clock::now();
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    GateConnection* c = (it++)->get();
    if (now < c->deadline) continue;
    if (c->started && !c->closing) {
      refuse(*c, 408, "request head not complete in time");
      continue;
    }
    close(c);
  }
}

void GatedHttpServer::gateLoop() {
  epoll_event events[64];
  while (!stopping_) {
    const int n = epoll_wait(epoll_, events, 64, 100);
    std::lock_guard lock(mutex_);
    for (int i = 0; i < n; ++i) {
      // epoll_event is packed: take the id by value, never by reference.
      const uint64_t id = events[i].data.u64;
      if (id == 0) {
        uint64_t v;
        [[maybe_unused]] auto r = ::read(wake_, &v, sizeof v);
        continue;
      }
      const auto found = byId_.find(id);
      if (found != byId_.end() && !readHead(*found->second)) close(found->second);
    }
    sweep();
  }
}

void GatedHttpServer::workerLoop() {
  for (;;) {
    Conn c;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !heads_.empty(); });
      if (stopping_) return;
      c = std::move(heads_.front());
      heads_.pop_front();
      ++busy_;
    }
    GateStream strm(*c, limits_, stopping_);
    bool closed = false;
    const bool last = ++c->requests >= limits_.keepAliveRequests;
    const bool ok = process_request(strm, last, closed, nullptr);
    std::lock_guard lock(mutex_);
    --busy_;
    if (!ok || closed || last || stopping_)
      ::close(c->fd);
    else
      park(std::move(c));
  }
}

}  // namespace vantor::server
