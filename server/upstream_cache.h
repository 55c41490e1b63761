#pragma once

#include "upstream_mapping.h"

#include <condition_variable>
#include <cstdint>
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
    static constexpr const char *kCountriesList = "countries";

    explicit UpstreamCache(const std::string &path, size_t connections = 4);
    ~UpstreamCache();
    UpstreamCache(const UpstreamCache &) = delete;
    UpstreamCache &operator=(const UpstreamCache &) = delete;

    // When a list ("countries" or a country code) was last stored, in seconds since the epoch.
    std::optional<int64_t> FetchedAt(const std::string &list);

    void StoreCountries(const std::vector<UpCountry> &countries, int64_t now);
    std::vector<UpCountry> Countries();

    // Replaces the country's stations.
    void StoreStations(const std::string &code, const std::vector<UpStation> &stations, int64_t now);
    // Adds or updates stations found by a search, without marking any country as fetched.
    void AddStations(const std::vector<UpStation> &stations);

    // By name, accents and case folded.
    std::vector<UpStation> StationsOf(const std::string &code);
    std::optional<UpStation> Station(const std::string &uuid);
    // Words as typed (never FTS syntax); an empty code searches every country.
    std::vector<UpStation> Search(const std::string &words, const std::string &code, int limit);

private:
    class Lease;
    void Upsert(sqlite3 *db, const std::vector<UpStation> &stations);

    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<sqlite3 *> all_, free_;
};

}  // namespace vantor::server
