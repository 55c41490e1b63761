#pragma once

#include "audio_library.h"
#include "connection_limits.h"
#include "directory_db.h"
#include "report_limiter.h"
#include "station_source.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace vantor::server {

class GatedHttpServer;

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

// The bundled directory: the program's lists and pages, and the demo streams, over HTTP.
class DirectoryServer {
 public:
  using LogSink = std::function<void(const std::string& line)>;

  DirectoryServer(DirectoryDb& db, const AudioLibrary& audio, ServerLimits limits, LogSink log);
  ~DirectoryServer();
  DirectoryServer(const DirectoryServer&) = delete;
  DirectoryServer& operator=(const DirectoryServer&) = delete;

  // Stations from elsewhere, asked before the demo catalogue; set before run().
  void setStationSource(StationSource* source) { source_ = source; }

  // Port 0 picks a free one. Returns the bound port, or -1.
  int bind(const std::string& host, int port);
  // Serves until stop(); returns false when it could not serve at all.
  bool run();
  // Safe from any thread; ends open streams too.
  void stop();
  bool isRunning() const;

  // The address written into stream and home page addresses when a request's Host is unusable.
  std::string fallbackHost() const { return fallbackHost_; }

 private:
  void routes();
  bool stopping() const { return stopping_.load(); }
  bool waitStopping(std::chrono::milliseconds d);

  DirectoryDb& db_;
  const AudioLibrary& audio_;
  ServerLimits limits_;
  LogSink log_;
  StationSource* source_ = nullptr;
  std::unique_ptr<GatedHttpServer> http_;
  std::string fallbackHost_ = "127.0.0.1";

  std::atomic<bool> stopping_{false};
  std::mutex stopMutex_;
  std::condition_variable stopCv_;
  std::atomic<size_t> streams_{0};
  ReportLimiter reportLimiter_;
};

// A log line with control characters shown as \xNN, so a request cannot forge log lines.
std::string logSafe(const std::string& s);

}  // namespace vantor::server
