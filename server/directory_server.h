#pragma once

#include "audio_library.h"
#include "directory_db.h"
#include "report_limiter.h"
#include "route_context.h"
#include "server_limits.h"
#include "station_source.h"
#include "stop_signal.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace vantor::server {

class GatedHttpServer;

// The bundled directory: the program's lists and pages, and the demo streams, over HTTP.
class DirectoryServer {
 public:
  using LogSink = std::function<void(const std::string& line)>;

  DirectoryServer(DirectoryDb& db, const AudioLibrary& audio, ServerLimits limits, LogSink log);
  ~DirectoryServer();
  DirectoryServer(const DirectoryServer&) = delete;
  DirectoryServer& operator=(const DirectoryServer&) = delete;

  // Stations from elsewhere, asked before the demo catalogue; set before run().
  void setStationSource(StationSource* source) { context_.source = source; }

  // Port 0 picks a free one. Returns the bound port, or -1.
  int bind(const std::string& host, int port);
  // Serves until stop(); returns false when it could not serve at all.
  bool run();
  // Safe from any thread; ends open streams too.
  void stop();
  bool isRunning() const;

  // The address written into stream and home page addresses when a request's Host is unusable.
  std::string fallbackHost() const { return context_.fallbackHost; }

 private:
  ServerLimits limits_;
  RouteContext context_;
  StopSignal stop_;
  std::atomic<size_t> streams_{0};
  ReportLimiter reportLimiter_;
  std::unique_ptr<GatedHttpServer> http_;  // last, so it is gone before what its routes use
};

}  // namespace vantor::server
