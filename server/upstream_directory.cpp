#include "upstream_directory.h"

#include "country_names.h"
#include "directory_db.h"
#include "play_list.h"
#include "text.h"
#include "upstream_fields.h"
#include "upstream_pages.h"

#include <algorithm>
#include <ctime>

namespace vantor::server {

namespace {

int64_t now() { return static_cast<int64_t>(std::time(nullptr)); }

constexpr size_t kMaxRememberedSearches = 10000;

}  // namespace

UpstreamDirectory::UpstreamDirectory(UpstreamCache& cache, UpstreamClient& client, UpstreamPolicy policy,
                                     LogSink log)
    : cache_(cache), client_(client), policy_(policy), log_(std::move(log)), memo_(policy.maxMemoBytes) {}

UpstreamDirectory::~UpstreamDirectory() { stop(); }

void UpstreamDirectory::stop() {
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopCv_.notify_all();
  client_.cancel();  // so the workers end now, not when a slow reply ends
  cache_.stopWriting();
  lists_.stop();  // and no request waits for a first fetch any more
  clicksJobs_.stop();
  if (retry_.joinable()) retry_.join();
}

void UpstreamDirectory::settle() {
  lists_.waitIdle();
  clicksJobs_.waitIdle();
}

void UpstreamDirectory::fetchList(const std::string& list) {
  try {
    if (list == UpstreamCache::kCountriesList) {
      auto countries = client_.countries();
      if (countries && countries->empty())
        countries = cache_.countries();  // an empty directory is a glitch: keep what we had
      if (countries) cache_.storeCountries(*countries, now());
      return;
    }
    auto stations = client_.stationsOf(list);
    if (!stations) return;
    // bycountrycodeexact should only hold this country; whatever else arrives is not filed under it.
    std::erase_if(*stations, [&](const UpStation& s) { return s.country != list; });
    if (stations->empty()) stations = cache_.stationsOf(list);
    cache_.storeStations(list, *stations, now());
    log("vantor-directory: " + std::to_string(stations->size()) + " stations of " + list + " from upstream");
  } catch (const DbError& e) {
    log("vantor-directory: upstream cache: " + std::string(e.what()));
  }
}

void UpstreamDirectory::prefetch() {
  for (const char* list : {UpstreamCache::kCountriesList, "nl"}) ensure(list, false);
  if (!retry_.joinable()) retry_ = std::thread([this] { retryUntilFetched(); });
}

void UpstreamDirectory::retryUntilFetched() {
  const std::string key = std::string("list:") + UpstreamCache::kCountriesList;
  for (;;) {
    lists_.waitFor(key, std::chrono::hours(1));
    if (cache_.fetchedAt(UpstreamCache::kCountriesList)) {
      ensure("nl", false);
      return;
    }
    // Asked again as soon as a mirror's rest is over: seconds after a late network comes up.
    const auto wait = std::clamp<std::chrono::steady_clock::duration>(
        client_.untilUsable(), std::chrono::milliseconds(500), policy_.maxRetryWait);
    std::unique_lock lock(stopMutex_);
    if (stopCv_.wait_for(lock, wait, [this] { return stopping_; })) return;
    lock.unlock();
    lists_.start(key, [this] { fetchList(UpstreamCache::kCountriesList); });
  }
}

void UpstreamDirectory::ensure(const std::string& list, bool waitFirst) {
  const auto fetched = cache_.fetchedAt(list);
  if (fetched && now() - *fetched < policy_.maxAge.count()) return;
  const std::string key = "list:" + list;
  lists_.start(key, [this, list] { fetchList(list); });
  if (!fetched && waitFirst) lists_.waitFor(key, policy_.firstWait);
}

std::optional<std::string> UpstreamDirectory::countryList(Lang lang) {
  ensure(UpstreamCache::kCountriesList);
  // The version is read before the rows, so a refresh in between only costs a second rendering.
  const uint64_t version = cache_.version(UpstreamCache::kCountriesList);
  const std::string key = lang == Lang::Nl ? "countries|nl" : "countries|en";
  const auto answer = memo_.get(key, version, [&]() -> SharedAnswer {
    const auto countries = cache_.countries();
    if (countries.empty()) return nullptr;
    auto list = std::make_shared<HostedAnswer>();
    list->append(countryListAnswer(sortedFor(countryRowsFor(countries), lang), lang));
    list->finish();
    return list;
  });
  return answer ? std::optional(answer->render({})) : std::nullopt;
}

SharedAnswer UpstreamDirectory::stationList(const std::string& stem) {
  const auto code = countryCodeFromStem(stem);
  if (!code) return nullptr;
  ensure(*code);
  const uint64_t version = cache_.version(*code);
  // Made once for every client and Host asking at the same time, straight from the rows.
  return memo_.get("list|" + *code, version, [&]() -> SharedAnswer {
    auto list = std::make_shared<HostedAnswer>();
    if (cache_.eachStationOf(*code, [&](const UpStation& s) { appendPlayEntry(*list, s); }) == 0)
      return nullptr;
    list->finish();
    return list;
  });
}

void UpstreamDirectory::fetchSearch(const std::string& key, const std::string& words,
                                    const std::string& code) {
  auto found = client_.search(words, code, policy_.searchLimit);
  if (!found) return;
  cache_.addStations(*found);
  std::lock_guard lock(mutex_);
  if (searched_.size() >= kMaxRememberedSearches) searched_.clear();
  searched_[key] = now();
}

SharedAnswer UpstreamDirectory::search(const std::string& words, const std::string& land) {
  std::string code;
  if (!land.empty()) {
    const auto c = countryCodeFromStem(land);
    if (!c) return nullptr;  // a demo country
    code = *c;
    ensure(code);
  }
  if (!searchExpression(words).empty() && client_.usable()) {
    const std::string key = code + "|" + asciiLower(words);
    bool due;
    {
      std::lock_guard lock(mutex_);
      const auto it = searched_.find(key);
      due = it == searched_.end() || now() - it->second >= policy_.maxAge.count();
    }
    if (due) {
      const std::string job = "search:" + key;
      if (lists_.start(job, [this, key, words, code] { fetchSearch(key, words, code); }))
        lists_.waitFor(job, policy_.firstWait);
    }
  }
  const uint64_t version = cache_.stationsVersion();
  return memo_.get("search|" + code + "|" + searchExpression(words), version, [&]() -> SharedAnswer {
    const auto found = cache_.search(words, code, policy_.searchLimit);
    if (found.empty() && !cache_.fetchedAt(UpstreamCache::kCountriesList))
      return nullptr;  // nothing from upstream ever: the demo catalogue's turn
    return playList(found);
  });
}

std::optional<std::string> UpstreamDirectory::playTarget(const std::string& id, const std::string& client) {
  if (!isStationUuid(id)) return std::nullopt;
  const std::string uuid = asciiLower(id);
  const auto station = cache_.station(uuid);
  if (!station) return std::nullopt;
  const int64_t day = now() / 86400;
  bool count;
  {
    std::lock_guard lock(mutex_);
    if (day != clickDay_ || clicks_.size() >= policy_.maxClicksPerDay) {
      clicks_.clear();
      clickDay_ = day;
    }
    count = clicks_.insert(uuid + "|" + client).second;
  }
  if (count) clicksJobs_.start("click:" + uuid + "|" + client, [this, uuid] { client_.countClick(uuid); });
  return locationSafe(station->url);  // also what an older cache holds
}

bool UpstreamDirectory::awaits(const std::string& stem) {
  const auto code = countryCodeFromStem(stem);
  return code && !cache_.fetchedAt(*code);
}

SourceSummary UpstreamDirectory::summary() {
  SourceSummary s;
  for (const auto& m : client_.mirrors()) s.origin += (s.origin.empty() ? "" : ", ") + m;
  s.countries = cache_.countries().size();
  for (const auto& [code, n] : cache_.stationCounts()) s.stations += n;
  return s;
}

std::optional<std::string> UpstreamDirectory::sitePage(Lang lang, const std::string& land,
                                                       const std::string& host) {
  const auto rows = sortedFor(countryRowsFor(cache_.countries()), lang);
  if (rows.empty()) return std::nullopt;
  if (land.empty()) return upstreamCountriesPage(lang, rows, cache_.stationCounts());
  const auto code = countryCodeFromStem(land);
  const auto row =
      std::find_if(rows.begin(), rows.end(), [&](const CountryRow& r) { return code && r.stem == *code; });
  if (row == rows.end()) return std::nullopt;
  return upstreamStationsPage(lang, lang == Lang::Nl ? row->nameNl : row->nameEn, cache_.stationsOf(*code),
                              host);
}

std::optional<std::string> UpstreamDirectory::stationPage(Lang lang, const std::string& id,
                                                          const std::string& host) {
  const auto station = isStationUuid(id) ? cache_.station(asciiLower(id)) : std::nullopt;
  if (!station) return std::nullopt;
  return upstreamStationsPage(lang, station->name, {*station}, host);
}

}  // namespace vantor::server
