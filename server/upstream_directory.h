#pragma once

#include "answer_memo.h"
#include "background_jobs.h"
#include "station_source.h"
#include "upstream_cache.h"
#include "upstream_client.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace vantor::server {

struct UpstreamPolicy {
  std::chrono::seconds maxAge{6 * 3600};      // a cached list older than this is refreshed
  std::chrono::milliseconds firstWait{8000};  // how long a request waits for a list never fetched
  int searchLimit = 500;
  size_t maxClicksPerDay = 200000;         // remembered (station, client) pairs
  size_t maxMemoBytes = 16 * 1024 * 1024;  // finished answers kept until their list changes
  std::chrono::seconds maxRetryWait{30};   // between tries while no country list was ever fetched
};

// The public directory as the routes see it: answers come from the cache at once; what is
// missing or stale is fetched on background threads.
class UpstreamDirectory final : public StationSource {
 public:
  using LogSink = std::function<void(const std::string& line)>;

  UpstreamDirectory(UpstreamCache& cache, UpstreamClient& client, UpstreamPolicy policy, LogSink log);
  ~UpstreamDirectory() override;

  std::optional<std::string> countryList(Lang lang) override;
  SharedAnswer stationList(const std::string& stem) override;
  SharedAnswer search(const std::string& words, const std::string& land) override;
  std::optional<std::string> playTarget(const std::string& id, const std::string& client) override;
  bool awaits(const std::string& stem) override;
  SourceSummary summary() override;
  std::optional<std::string> sitePage(Lang lang, const std::string& land, const std::string& host) override;
  std::optional<std::string> stationPage(Lang lang, const std::string& id, const std::string& host) override;

  // Starts fetching what a first start asks for: the countries and Holland, tried again and
  // again until the countries arrive, so the real directory replaces the demo one by itself.
  void prefetch();
  // Ends the background work at once: the retries, transfers under way (and the reading and
  // storing of their replies), queued jobs, and requests' waits for a first fetch. Idempotent.
  void stop();
  // Waits until no background work is queued or running (for tests and the benchmark).
  void settle();

 private:
  // Makes sure `list` is in the cache and fresh; waits for it only when it was never fetched.
  void ensure(const std::string& list, bool waitFirst = true);
  void fetchList(const std::string& list);
  void fetchSearch(const std::string& key, const std::string& words, const std::string& code);
  void log(const std::string& line) const { log_(line); }
  void retryUntilFetched();

  UpstreamCache& cache_;
  UpstreamClient& client_;
  UpstreamPolicy policy_;
  LogSink log_;

  std::mutex mutex_;
  std::map<std::string, int64_t> searched_;  // upstream searches done, by words and country
  std::set<std::string> clicks_;             // station|client counted today
  int64_t clickDay_ = -1;

  AnswerMemo memo_;
  BackgroundJobs lists_{2, 64};
  BackgroundJobs clicksJobs_{1, 256};

  std::mutex stopMutex_;
  std::condition_variable stopCv_;
  bool stopping_ = false;
  std::thread retry_;
};

}  // namespace vantor::server
