#pragma once

#include "upstream_json.h"
#include "version.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vantor::server {

struct UpstreamOptions {
  std::vector<std::string> mirrors;  // base addresses, e.g. "https://mirror.example/"
  // When set, asked for the mirrors at the first request and again when every mirror has been
  // failing for rediscoverEvery: a network that comes up late finds the real ones.
  std::function<std::vector<std::string>()> discover;
  std::chrono::seconds rediscoverEvery{60};
  std::chrono::milliseconds connectTimeout{4000};
  std::chrono::milliseconds timeout{20000};  // one whole reply
  size_t maxReplyBytes = 24 * 1024 * 1024;   // the largest country is under 10 MB; parsing takes ~10x
  // A failing mirror is left alone this long, twice as long after each further failure in a
  // row, up to maxMirrorPause; an answer ends its rest. Seconds at first, for a late network.
  std::chrono::seconds mirrorPause{2};
  std::chrono::seconds maxMirrorPause{30};
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
  // How long until a mirror may be asked again (zero when one may be asked now).
  std::chrono::steady_clock::duration untilUsable();
  // Ends every transfer under way, at once, and every later one (at shutdown).
  void cancel();

  std::vector<std::string> mirrors();

  // Splits "URL[,URL...]" and keeps the http(s) ones, each ending in "/".
  static std::vector<std::string> parseMirrors(const std::string& list);

 private:
  // The body of the first mirror that answers 2xx and whose body `accept` takes.
  std::optional<std::string> get(const std::string& pathAndQuery,
                                 const std::function<bool(const std::string&)>& accept);
  bool fetch(const std::string& url, std::string& body, std::string& why) const;
  CURLcode perform(CURL* c) const;
  // Asks options_.discover when that is due; never two at once.
  void discoverIfDue();

  using Clock = std::chrono::steady_clock;
  struct Mirror {
    std::string base;
    Clock::time_point restUntil{};
    int failures = 0;  // in a row
  };

  UpstreamOptions options_;
  LogSink log_;
  std::mutex mutex_;
  std::vector<Mirror> mirrors_;
  std::string preferred_;
  bool discovering_ = false;
  std::optional<Clock::time_point> discoveredAt_;
  std::atomic<bool> cancelled_{false};
  mutable std::mutex transfersMutex_;
  mutable std::set<CURLM*> transfers_;  // under way, for cancel() to wake
};

// For query values in upstream requests.
std::string percentEncode(const std::string& s);

}  // namespace vantor::server
