#pragma once

#include <chrono>
#include <cstddef>

namespace vantor::server {

struct ConnectionLimits {
  size_t maxConnections = 2048;  // open at once; the oldest waiting one makes room for a new one
  size_t workers = 24;           // requests handled at once, listeners included
  // Connections the kernel completes before they are accepted. A full queue drops SYNs,
  // which the client only retries after a second, so a burst must fit (capped by somaxconn).
  int backlog = 1024;
  std::chrono::milliseconds idleTimeout{5000};   // for the first byte of a request
  std::chrono::milliseconds headTimeout{10000};  // from the first byte to the end of the head
  std::chrono::milliseconds ioTimeout{10000};    // one read of a body or one write
  size_t maxRequestLine = 8192;
  size_t maxHead = 16 * 1024;
  size_t maxBody = 16 * 1024;
  size_t keepAliveRequests = 100;
  // A client whose unsent data stays above this, or that takes nothing, for `stallAfter` is dropped.
  size_t maxUnsent = 256 * 1024;
  std::chrono::milliseconds stallAfter{5000};
};

}  // namespace vantor::server
