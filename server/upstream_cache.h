#pragma once

#include "search_matches.h"
#include "upstream_json.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace vantor::server {

// The upstream's countries and stations, kept in the directory's SQLite file, with an FTS5
// index over the station names. Several connections, so readers do not queue behind a refresh.
class UpstreamCache {
 public:
  static constexpr const char* kCountriesList = "countries";

  explicit UpstreamCache(const std::string& path, size_t connections = 4);
  ~UpstreamCache();
  UpstreamCache(const UpstreamCache&) = delete;
  UpstreamCache& operator=(const UpstreamCache&) = delete;

  // When a list ("countries" or a country code) was last stored, in seconds since the epoch.
  std::optional<int64_t> fetchedAt(const std::string& list);
  // Changes whenever what a list holds may have changed; 0 for a list never stored. Together
  // with stationsVersion() it tells whether an answer made from the cache is still current.
  uint64_t version(const std::string& list);
  // Changes with every write of stations, whatever their country.
  uint64_t stationsVersion();

  void storeCountries(const std::vector<UpCountry>& countries, int64_t now);
  std::vector<UpCountry> countries();

  // Replaces the country's stations.
  void storeStations(const std::string& code, const std::vector<UpStation>& stations, int64_t now);
  // Adds or updates stations found by a search, without marking any country as fetched.
  void addStations(const std::vector<UpStation>& stations);

  // Most listened first.
  std::vector<UpStation> stationsOf(const std::string& code);
  // The same one by one, so a list of 100,000 is never held as stations; returns how many.
  size_t eachStationOf(const std::string& code, const std::function<void(const UpStation&)>& f);
  std::optional<UpStation> station(const std::string& uuid);
  // Cached stations by country code.
  std::map<std::string, size_t> stationCounts();
  // Words as typed (never FTS syntax); an empty code searches every country.
  std::vector<UpStation> search(const std::string& words, const std::string& code, int limit);

  // At shutdown: a write of stations under way is rolled back at once, and later ones refused.
  void stopWriting() { stopWriting_ = true; }

 private:
  class Lease;
  // Returns the countries whose lists it changed.
  std::vector<std::string> upsert(sqlite3* db, const std::vector<UpStation>& stations);
  // After a committed write: the lists it touched get new versions; `fetched` (if any) was stored whole.
  void changed(const std::vector<std::string>& lists, const std::string& fetched, int64_t now);

  std::mutex mutex_;
  std::condition_variable freed_;
  std::vector<sqlite3*> all_, free_;

  // Kept in memory, so a request asks the database nothing when its answer is already made.
  std::mutex stateMutex_;
  std::map<std::string, int64_t> fetched_;
  std::map<std::string, uint64_t> versions_;
  uint64_t lastVersion_ = 0;
  uint64_t stationsVersion_ = 0;

  SearchMatches matches_{8 * 1024 * 1024};
  std::atomic<bool> stopWriting_{false};
};

}  // namespace vantor::server
