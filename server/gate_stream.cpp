#include "gate_stream.h"

#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <linux/sockios.h>

#include <algorithm>
#include <cstring>

namespace vantor::server {

namespace {

using Clock = std::chrono::steady_clock;

int millis(Clock::duration d) {
  return static_cast<int>(
      std::clamp<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count(), 0, 1000000));
}

bool peerName(int fd, bool peer, std::string& ip, int& port) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  const int rc = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len)
                      : getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  char host[NI_MAXHOST], serv[NI_MAXSERV];
  if (rc != 0 || getnameinfo(reinterpret_cast<sockaddr*>(&a), len, host, sizeof host, serv, sizeof serv,
                             NI_NUMERICHOST | NI_NUMERICSERV) != 0)
    return false;
  ip = host;
  port = std::atoi(serv);
  return true;
}

}  // namespace

GateStream::GateStream(GateConnection& c, const ConnectionLimits& limits, const std::atomic<bool>& halting)
    : c_(c),
      limits_(limits),
      halting_(halting),
      readDeadline_(Clock::now() + limits.headTimeout),
      lastProgress_(Clock::now()) {}

bool GateStream::is_readable() const {
  return c_.pos < c_.buf.size() || wait(POLLIN, limits_.ioTimeout) == Ready::Yes;
}

bool GateStream::is_writable() const { return waitWritable(); }

ssize_t GateStream::read(char* ptr, size_t size) {
  if (c_.pos >= c_.buf.size()) {
    c_.buf.clear();
    c_.pos = 0;
    if (wait(POLLIN, std::min<Clock::duration>(limits_.ioTimeout, readDeadline_ - Clock::now())) !=
        Ready::Yes)
      return -1;
    char tmp[4096];
    const ssize_t n = recv(c_.fd, tmp, sizeof tmp, 0);
    if (n <= 0) return n;
    c_.buf.assign(tmp, static_cast<size_t>(n));
  }
  const size_t n = std::min(size, c_.buf.size() - c_.pos);
  std::memcpy(ptr, c_.buf.data() + c_.pos, n);
  c_.pos += n;
  return static_cast<ssize_t>(n);
}

ssize_t GateStream::write(const char* ptr, size_t size) {
  size_t done = 0;
  while (done < size) {
    if (!waitWritable()) return -1;
    const ssize_t n = send(c_.fd, ptr + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN && errno != EINTR) return -1;
    if (n > 0) {
      done += static_cast<size_t>(n);
      written_ += static_cast<size_t>(n);
    }
  }
  return static_cast<ssize_t>(size);
}

void GateStream::get_remote_ip_and_port(std::string& ip, int& port) const { peerName(c_.fd, true, ip, port); }

void GateStream::get_local_ip_and_port(std::string& ip, int& port) const { peerName(c_.fd, false, ip, port); }

GateStream::Ready GateStream::wait(short events, Clock::duration d) const {
  pollfd p{c_.fd, events, 0};
  const int n = poll(&p, 1, millis(d));
  if (n < 0) return errno == EINTR ? Ready::NotYet : Ready::Gone;
  if (n == 0) return Ready::NotYet;
  if (events == POLLIN) return Ready::Yes;  // data, an end or an error: recv tells which
  if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
    return Ready::Gone;  // the peer has hung up: no use waiting for it to take more
  return (p.revents & events) ? Ready::Yes : Ready::NotYet;
}

size_t GateStream::unsent() const {
  int n = 0;
  return ioctl(c_.fd, SIOCOUTQ, &n) == 0 && n > 0 ? static_cast<size_t>(n) : 0;
}

// True once the socket takes more; false when the client has taken nothing for too long.
bool GateStream::waitWritable() const {
  const auto end = Clock::now() + limits_.ioTimeout;
  while (!halting_) {
    const size_t pending = unsent();
    const size_t taken = written_ - std::min(written_, pending);
    const auto now = Clock::now();
    if (pending == 0 || taken != taken_) {
      taken_ = taken;
      lastProgress_ = now;
    } else if (now - lastProgress_ >= limits_.stallAfter) {
      return false;
    }
    if (now >= end) return false;
    // Above the limit nothing more is written, but a hang-up is still noticed.
    const Ready r = wait(pending <= limits_.maxUnsent ? POLLOUT : 0, std::chrono::milliseconds(50));
    if (r != Ready::NotYet) return r == Ready::Yes;
  }
  return false;
}

}  // namespace vantor::server
