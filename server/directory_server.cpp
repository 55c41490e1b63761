#include "directory_server.h"

#include "http_gate.h"
#include "routes.h"
#include "routes_demo_stream.h"

namespace vantor::server {

namespace {

// Every listener holds a worker for as long as it listens, so pages always keep some.
ServerLimits withWorkers(ServerLimits l) {
  l.connections.workers = l.maxStreams + 8;
  return l;
}

}  // namespace

DirectoryServer::DirectoryServer(DirectoryDb& db, const AudioLibrary& audio, ServerLimits limits, LogSink log)
    : limits_(withWorkers(limits)),
      context_{db},
      reportLimiter_(limits_.reportBurst, limits_.reportEvery),
      http_(std::make_unique<GatedHttpServer>(limits_.connections)) {
  auto& h = *http_;
  addRequestGuards(h, limits_, std::move(log));
  addListRoutes(h, context_);
  addSiteRoutes(h, context_, reportLimiter_);
  addPlayRoute(h, context_);
  addDemoStreamRoute(h, context_, audio, limits_, streams_, stop_);
}

DirectoryServer::~DirectoryServer() { stop(); }

int DirectoryServer::bind(const std::string& host, int port) {
  int bound = -1;
  if (port == 0)
    bound = http_->bind_to_any_port(host);
  else if (http_->bind_to_port(host, port))
    bound = port;
  if (bound > 0)
    context_.fallbackHost =
        (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(bound);
  return bound;
}

bool DirectoryServer::run() {
  if (stop_.raised()) return false;
  return http_->serve();
}

void DirectoryServer::stop() {
  stop_.raise();
  http_->shutdown();
}

bool DirectoryServer::isRunning() const { return http_->is_running(); }

}  // namespace vantor::server
