#include "upstream_directory.h"

#include "directory_db.h"
#include "text.h"
#include "upstream_pages.h"

#include <algorithm>
#include <ctime>

namespace vantor::server {

namespace {

int64_t Now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

constexpr size_t kMaxRememberedSearches = 10000;

}  // namespace

UpstreamDirectory::UpstreamDirectory(UpstreamCache &cache, UpstreamClient &client, UpstreamPolicy policy,
                                     LogSink log)
    : cache_(cache), client_(client), policy_(policy), log_(std::move(log)), memo_(policy.maxMemoBytes)
{
}

UpstreamDirectory::~UpstreamDirectory()
{
    client_.Cancel();  // so the workers end now, not when a slow reply ends
}

void UpstreamDirectory::Settle()
{
    lists_.WaitIdle();
    clicksJobs_.WaitIdle();
}

void UpstreamDirectory::FetchList(const std::string &list)
{
    try {
        if (list == UpstreamCache::kCountriesList) {
            auto countries = client_.Countries();
            if (countries && countries->empty())
                countries = cache_.Countries();  // an empty directory is a glitch: keep what we had
            if (countries)
                cache_.StoreCountries(*countries, Now());
            return;
        }
        auto stations = client_.StationsOf(list);
        if (!stations)
            return;
        // bycountrycodeexact should only hold this country; whatever else arrives is not filed under it.
        std::erase_if(*stations, [&](const UpStation &s) { return s.country != list; });
        if (stations->empty())
            stations = cache_.StationsOf(list);
        cache_.StoreStations(list, *stations, Now());
        Log("vantor-directory: " + std::to_string(stations->size()) + " stations of " + list + " from upstream");
    } catch (const DbError &e) {
        Log("vantor-directory: upstream cache: " + std::string(e.what()));
    }
}

void UpstreamDirectory::Prefetch()
{
    for (const char *list : {UpstreamCache::kCountriesList, "nl"})
        Ensure(list, false);
}

void UpstreamDirectory::Ensure(const std::string &list, bool waitFirst)
{
    const auto fetched = cache_.FetchedAt(list);
    if (fetched && Now() - *fetched < policy_.maxAge.count())
        return;
    const std::string key = "list:" + list;
    lists_.Start(key, [this, list] { FetchList(list); });
    if (!fetched && waitFirst)
        lists_.WaitFor(key, policy_.firstWait);
}

std::optional<std::string> UpstreamDirectory::CountryList(Lang lang)
{
    Ensure(UpstreamCache::kCountriesList);
    // The version is read before the rows, so a refresh in between only costs a second rendering.
    const uint64_t version = cache_.Version(UpstreamCache::kCountriesList);
    const std::string key = lang == Lang::Nl ? "countries|nl" : "countries|en";
    if (auto kept = memo_.Find(key, version))
        return kept;
    const auto countries = cache_.Countries();
    if (countries.empty())
        return std::nullopt;
    auto answer = CountryListAnswer(SortedFor(CountryRowsFor(countries), lang), lang);
    memo_.Keep(key, version, answer);
    return answer;
}

std::optional<std::string> UpstreamDirectory::StationList(const std::string &stem, const std::string &host)
{
    const auto code = CountryCodeFromStem(stem);
    if (!code)
        return std::nullopt;
    Ensure(*code);
    const uint64_t version = cache_.Version(*code);
    const std::string key = "list|" + *code + "|" + host;
    if (auto kept = memo_.Find(key, version))
        return kept;
    const auto stations = cache_.StationsOf(*code);
    if (stations.empty())
        return std::nullopt;
    auto answer = PlayListAnswer(stations, host);
    memo_.Keep(key, version, answer);
    return answer;
}

void UpstreamDirectory::FetchSearch(const std::string &key, const std::string &words, const std::string &code)
{
    auto found = client_.Search(words, code, policy_.searchLimit);
    if (!found)
        return;
    cache_.AddStations(*found);
    std::lock_guard lock(mutex_);
    if (searched_.size() >= kMaxRememberedSearches)
        searched_.clear();
    searched_[key] = Now();
}

std::optional<std::string> UpstreamDirectory::Search(const std::string &words, const std::string &land,
                                                     const std::string &host)
{
    std::string code;
    if (!land.empty()) {
        const auto c = CountryCodeFromStem(land);
        if (!c)
            return std::nullopt;  // a demo country
        code = *c;
        Ensure(code);
    }
    if (!SearchExpression(words).empty() && client_.Usable()) {
        const std::string key = code + "|" + AsciiLower(words);
        bool due;
        {
            std::lock_guard lock(mutex_);
            const auto it = searched_.find(key);
            due = it == searched_.end() || Now() - it->second >= policy_.maxAge.count();
        }
        if (due) {
            const std::string job = "search:" + key;
            if (lists_.Start(job, [this, key, words, code] { FetchSearch(key, words, code); }))
                lists_.WaitFor(job, policy_.firstWait);
        }
    }
    const uint64_t version = cache_.StationsVersion();
    const std::string key = "search|" + code + "|" + host + "|" + SearchExpression(words);
    if (auto kept = memo_.Find(key, version))
        return kept;
    const auto found = cache_.Search(words, code, policy_.searchLimit);
    if (found.empty() && !cache_.FetchedAt(UpstreamCache::kCountriesList))
        return std::nullopt;  // nothing from upstream ever: the demo catalogue's turn
    auto answer = PlayListAnswer(found, host);
    memo_.Keep(key, version, answer);
    return answer;
}

std::optional<std::string> UpstreamDirectory::PlayTarget(const std::string &id, const std::string &client)
{
    if (!IsStationUuid(id))
        return std::nullopt;
    const std::string uuid = AsciiLower(id);
    const auto station = cache_.Station(uuid);
    if (!station)
        return std::nullopt;
    const int64_t day = Now() / 86400;
    bool count;
    {
        std::lock_guard lock(mutex_);
        if (day != clickDay_ || clicks_.size() >= policy_.maxClicksPerDay) {
            clicks_.clear();
            clickDay_ = day;
        }
        count = clicks_.insert(uuid + "|" + client).second;
    }
    if (count)
        clicksJobs_.Start("click:" + uuid + "|" + client, [this, uuid] { client_.CountClick(uuid); });
    return station->url;
}

SourceSummary UpstreamDirectory::Summary()
{
    SourceSummary s;
    for (const auto &m : client_.Mirrors())
        s.origin += (s.origin.empty() ? "" : ", ") + m;
    s.countries = cache_.Countries().size();
    for (const auto &[code, n] : cache_.StationCounts())
        s.stations += n;
    return s;
}

std::optional<std::string> UpstreamDirectory::SitePage(Lang lang, const std::string &land, const std::string &host)
{
    const auto rows = SortedFor(CountryRowsFor(cache_.Countries()), lang);
    if (rows.empty())
        return std::nullopt;
    if (land.empty())
        return UpstreamCountriesPage(lang, rows, cache_.StationCounts());
    const auto code = CountryCodeFromStem(land);
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const CountryRow &r) { return code && r.stem == *code; });
    if (row == rows.end())
        return std::nullopt;
    return UpstreamStationsPage(lang, lang == Lang::Nl ? row->nameNl : row->nameEn, cache_.StationsOf(*code), host);
}

std::optional<std::string> UpstreamDirectory::StationPage(Lang lang, const std::string &id, const std::string &host)
{
    const auto station = IsStationUuid(id) ? cache_.Station(AsciiLower(id)) : std::nullopt;
    if (!station)
        return std::nullopt;
    return UpstreamStationsPage(lang, station->name, {*station}, host);
}

}  // namespace vantor::server
