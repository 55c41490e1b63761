#pragma once

#include "upstream_mapping.h"
#include "version.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantor::server {

struct UpstreamOptions {
  std::vector<std::string> mirrors;  // base addresses, e.g. "https://mirror.example/"
  std::chrono::milliseconds connectTimeout{4000};
  std::chrono::milliseconds timeout{20000};  // one whole reply
  size_t maxReplyBytes = 24 * 1024 * 1024;   // the largest country is under 10 MB; parsing takes ~10x
  std::chrono::seconds mirrorPause{300};     // how long a failing mirror is left alone
};

// The public directory's JSON API over libcurl, with mirrors tried in turn.
// Thread-safe; every call blocks for at most the time-outs of the mirrors it tries.
class UpstreamClient {
 public:
  static constexpr const char* kUserAgent = Version::kDirectoryUserAgent;
  using LogSink = std::function<void(const std::string& line)>;

  UpstreamClient(UpstreamOptions options, LogSink log);

  std::optional<std::vector<UpCountry>> countries();
  std::optional<std::vector<UpStation>> stationsOf(const std::string& code);
  std::optional<std::vector<UpStation>> search(const std::string& name, const std::string& code, int limit);
  // Tells the upstream a listener started the station.
  bool countClick(const std::string& uuid);

  // False while every mirror is left alone after a failure: asking would fail at once.
  bool usable();
  // Ends every transfer under way and every later one (at shutdown).
  void cancel() { cancelled_ = true; }

  const std::vector<std::string>& mirrors() const { return options_.mirrors; }

  // Splits "URL[,URL...]" and keeps the http(s) ones, each ending in "/".
  static std::vector<std::string> parseMirrors(const std::string& list);

 private:
  // The body of the first mirror that answers 2xx and whose body `accept` takes.
  std::optional<std::string> get(const std::string& pathAndQuery,
                                 const std::function<bool(const std::string&)>& accept);
  bool fetch(const std::string& url, std::string& body, std::string& why) const;

  UpstreamOptions options_;
  LogSink log_;
  std::mutex mutex_;
  std::vector<std::chrono::steady_clock::time_point> pausedUntil_;
  size_t preferred_ = 0;
  std::atomic<bool> cancelled_{false};
};

// For query values in upstream requests.
std::string percentEncode(const std::string& s);

}  // namespace vantor::server
