#pragma once

#include "connection_limits.h"

#include <chrono>
#include <cstddef>

namespace vantor::server {

struct ServerLimits {
  size_t maxQueryValue = 2048;  // bytes of one decoded query value
  size_t maxQueryParams = 16;
  size_t maxHeaders = 64;
  size_t maxStreams = 16;                     // listeners at once, so pages always find a free thread
  std::chrono::milliseconds dropAfter{5000};  // how long the "drop" station plays
  size_t burstBytes = 64 * 1024;              // sent at connect, as Icecast does
  size_t icyMetaint = 16000;
  std::chrono::seconds titleEvery{10};
  int reportBurst = 10;                  // reports one address may send at once,
  std::chrono::seconds reportEvery{20};  // then one per this
  size_t maxLoggedTarget = 256;          // bytes of a request target written to the log
  ConnectionLimits connections;          // its workers are set from maxStreams
};

}  // namespace vantor::server
