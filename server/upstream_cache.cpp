#include "upstream_cache.h"

#include "directory_db.h"
#include "sqlite_statement.h"
#include "text.h"

#include <sqlite3.h>

#include <set>

namespace vantor::server {

namespace {

sqlite3* openDb(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    throw DbError("cannot open " + path + ": " + msg);
  }
  sqlite3_busy_timeout(db, 5000);
  try {
    execSql(db, "PRAGMA journal_mode=WAL");
    execSql(db, "PRAGMA synchronous=NORMAL");  // a cache: losing the last refresh costs a refetch
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  return db;
}

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS up_lists(list TEXT PRIMARY KEY, fetched INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS up_countries(code TEXT PRIMARY KEY, name TEXT NOT NULL, stations INTEGER NOT "
    "NULL);"
    "CREATE TABLE IF NOT EXISTS up_stations(id INTEGER PRIMARY KEY, uuid TEXT NOT NULL UNIQUE,"
    " country TEXT NOT NULL, name TEXT NOT NULL, sortkey TEXT NOT NULL, url TEXT NOT NULL,"
    " homepage TEXT NOT NULL, codec TEXT NOT NULL, bitrate INTEGER NOT NULL,"
    " clicks INTEGER NOT NULL DEFAULT 0, votes INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX IF NOT EXISTS up_stations_by_country ON up_stations(country, sortkey);"
    "CREATE INDEX IF NOT EXISTS up_stations_by_name ON up_stations(sortkey);"
    "CREATE VIRTUAL TABLE IF NOT EXISTS up_station_search USING fts5(name, content='up_stations',"
    " content_rowid='id', tokenize='unicode61 remove_diacritics 2');"
    "CREATE TRIGGER IF NOT EXISTS up_stations_ai AFTER INSERT ON up_stations BEGIN"
    " INSERT INTO up_station_search(rowid, name) VALUES(new.id, new.name); END;"
    "CREATE TRIGGER IF NOT EXISTS up_stations_ad AFTER DELETE ON up_stations BEGIN"
    " INSERT INTO up_station_search(up_station_search, rowid, name) VALUES('delete', old.id, old.name); END;"
    "CREATE TRIGGER IF NOT EXISTS up_stations_au AFTER UPDATE ON up_stations BEGIN"
    " INSERT INTO up_station_search(up_station_search, rowid, name) VALUES('delete', old.id, old.name);"
    " INSERT INTO up_station_search(rowid, name) VALUES(new.id, new.name); END;";

// A cache from before the listener counts gets them, and its lists count as stale so they are
// fetched again with them (and answered from the cache meanwhile).
void addListenerCounts(sqlite3* db) {
  bool has = false;
  Statement info(db, "PRAGMA table_info(up_stations)");
  while (info.step()) has = has || info.text(1) == "clicks";
  if (!has)
    execSql(db,
            "ALTER TABLE up_stations ADD COLUMN clicks INTEGER NOT NULL DEFAULT 0;"
            "ALTER TABLE up_stations ADD COLUMN votes INTEGER NOT NULL DEFAULT 0;"
            "UPDATE up_lists SET fetched = 0 WHERE list <> 'countries';");
  execSql(db,
          "CREATE INDEX IF NOT EXISTS up_stations_by_listeners ON up_stations(country, clicks DESC, votes "
          "DESC);");
}

constexpr const char* kColumns =
    "s.uuid, s.country, s.name, s.url, s.homepage, s.codec, s.bitrate, s.clicks, s.votes";
// Most listened first; the name settles ties, so a list reads the same each time.
constexpr const char* kOrder = " ORDER BY s.clicks DESC, s.votes DESC, s.sortkey, s.uuid";

UpStation readStation(Statement& st) {
  return {st.text(0), st.text(1),    st.text(2),    st.text(3),   st.text(4),
          st.text(5), st.integer(6), st.integer(7), st.integer(8)};
}

// Runs f inside one write transaction.
template <class F>
void inTransaction(sqlite3* db, F f) {
  execSql(db, "BEGIN IMMEDIATE");
  try {
    f();
    execSql(db, "COMMIT");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void markFetched(sqlite3* db, const std::string& list, int64_t now) {
  Statement(db,
            "INSERT INTO up_lists(list, fetched) VALUES(?,?) ON CONFLICT(list) DO UPDATE SET "
            "fetched=excluded.fetched")
      .bind(1, list)
      .bind(2, now)
      .step();
}

}  // namespace

// One connection for the length of a scope.
class UpstreamCache::Lease {
 public:
  explicit Lease(UpstreamCache& cache) : cache_(cache) {
    std::unique_lock lock(cache_.mutex_);
    cache_.freed_.wait(lock, [this] { return !cache_.free_.empty(); });
    db_ = cache_.free_.back();
    cache_.free_.pop_back();
  }
  ~Lease() {
    {
      std::lock_guard lock(cache_.mutex_);
      cache_.free_.push_back(db_);
    }
    cache_.freed_.notify_one();
  }
  Lease(const Lease&) = delete;
  Lease& operator=(const Lease&) = delete;
  sqlite3* db() const { return db_; }

 private:
  UpstreamCache& cache_;
  sqlite3* db_ = nullptr;
};

UpstreamCache::UpstreamCache(const std::string& path, size_t connections) {
  try {
    for (size_t i = 0; i < std::max<size_t>(connections, 1); ++i) {
      all_.push_back(openDb(path));
      if (i == 0) {
        execSql(all_[0], kSchema);
        addListenerCounts(all_[0]);
      }
    }
  } catch (...) {
    for (auto* db : all_) sqlite3_close(db);
    throw;
  }
  free_ = all_;
  Statement st(all_[0], "SELECT list, fetched FROM up_lists");
  while (st.step()) fetched_[st.text(0)] = st.int64(1);
  for (const auto& [list, at] : fetched_) versions_[list] = ++lastVersion_;
  stationsVersion_ = ++lastVersion_;
}

UpstreamCache::~UpstreamCache() {
  for (auto* db : all_) sqlite3_close(db);
}

std::optional<int64_t> UpstreamCache::fetchedAt(const std::string& list) {
  std::lock_guard lock(stateMutex_);
  const auto it = fetched_.find(list);
  return it == fetched_.end() ? std::nullopt : std::optional(it->second);
}

uint64_t UpstreamCache::version(const std::string& list) {
  std::lock_guard lock(stateMutex_);
  const auto it = versions_.find(list);
  return it == versions_.end() ? 0 : it->second;
}

uint64_t UpstreamCache::stationsVersion() {
  std::lock_guard lock(stateMutex_);
  return stationsVersion_;
}

void UpstreamCache::changed(const std::vector<std::string>& lists, const std::string& fetched, int64_t now) {
  std::lock_guard lock(stateMutex_);
  for (const auto& list : lists) versions_[list] = ++lastVersion_;
  if (!fetched.empty()) {
    fetched_[fetched] = now;
    versions_[fetched] = ++lastVersion_;
  }
  if (fetched != kCountriesList) stationsVersion_ = ++lastVersion_;
}

void UpstreamCache::storeCountries(const std::vector<UpCountry>& countries, int64_t now) {
  Lease l(*this);
  inTransaction(l.db(), [&] {
    execSql(l.db(), "DELETE FROM up_countries");
    Statement st(l.db(), "INSERT INTO up_countries(code, name, stations) VALUES(?,?,?)");
    for (const auto& c : countries) {
      st.reset();
      st.bind(1, c.code).bind(2, c.nameEn).bind(3, c.stations).step();
    }
    markFetched(l.db(), kCountriesList, now);
  });
  changed({}, kCountriesList, now);
}

std::vector<UpCountry> UpstreamCache::countries() {
  Lease l(*this);
  Statement st(l.db(), "SELECT code, name, stations FROM up_countries ORDER BY code");
  std::vector<UpCountry> out;
  while (st.step()) out.push_back({st.text(0), st.text(1), st.integer(2)});
  return out;
}

std::vector<std::string> UpstreamCache::upsert(sqlite3* db, const std::vector<UpStation>& stations) {
  // The countries a station leaves change as much as the one it joins.
  std::set<std::string> touched;
  Statement was(db, "SELECT country FROM up_stations WHERE uuid = ?");
  for (const auto& s : stations) {
    if (stopWriting_) throw DbError("stopped");
    touched.insert(s.country);
    was.reset();
    if (was.bind(1, s.uuid).step()) touched.insert(was.text(0));
  }
  Statement st(
      db,
      "INSERT INTO up_stations(uuid, country, name, sortkey, url, homepage, codec, bitrate, clicks, votes)"
      " VALUES(?,?,?,?,?,?,?,?,?,?) ON CONFLICT(uuid) DO UPDATE SET country=excluded.country,"
      " name=excluded.name, sortkey=excluded.sortkey, url=excluded.url, homepage=excluded.homepage,"
      " codec=excluded.codec, bitrate=excluded.bitrate, clicks=excluded.clicks, votes=excluded.votes");
  for (const auto& s : stations) {
    if (stopWriting_) throw DbError("stopped");
    st.reset();
    st.bind(1, s.uuid)
        .bind(2, s.country)
        .bind(3, s.name)
        .bind(4, sortKey(s.name))
        .bind(5, s.url)
        .bind(6, s.homepage)
        .bind(7, s.codec)
        .bind(8, s.bitrateKbps)
        .bind(9, s.clicks)
        .bind(10, s.votes)
        .step();
  }
  return {touched.begin(), touched.end()};
}

void UpstreamCache::storeStations(const std::string& code, const std::vector<UpStation>& stations,
                                  int64_t now) {
  std::vector<std::string> touched;
  {
    Lease l(*this);
    inTransaction(l.db(), [&] {
      Statement(l.db(), "DELETE FROM up_stations WHERE country = ?").bind(1, code).step();
      touched = upsert(l.db(), stations);
      markFetched(l.db(), code, now);
    });
  }
  changed(touched, code, now);
}

void UpstreamCache::addStations(const std::vector<UpStation>& stations) {
  std::vector<std::string> touched;
  {
    Lease l(*this);
    inTransaction(l.db(), [&] { touched = upsert(l.db(), stations); });
  }
  changed(touched, {}, 0);
}

std::vector<UpStation> UpstreamCache::stationsOf(const std::string& code) {
  std::vector<UpStation> out;
  eachStationOf(code, [&](const UpStation& s) { out.push_back(s); });
  return out;
}

size_t UpstreamCache::eachStationOf(const std::string& code, const std::function<void(const UpStation&)>& f) {
  Lease l(*this);
  Statement st(
      l.db(),
      (std::string("SELECT ") + kColumns + " FROM up_stations s WHERE s.country = ?" + kOrder).c_str());
  st.bind(1, code);
  size_t n = 0;
  for (; st.step(); ++n) f(readStation(st));
  return n;
}

std::optional<UpStation> UpstreamCache::station(const std::string& uuid) {
  Lease l(*this);
  Statement st(l.db(), (std::string("SELECT ") + kColumns + " FROM up_stations s WHERE s.uuid = ?").c_str());
  st.bind(1, uuid);
  if (!st.step()) return std::nullopt;
  return readStation(st);
}

std::map<std::string, size_t> UpstreamCache::stationCounts() {
  Lease l(*this);
  Statement st(l.db(), "SELECT country, count(*) FROM up_stations GROUP BY country");
  std::map<std::string, size_t> out;
  while (st.step()) out[st.text(0)] = static_cast<size_t>(st.int64(1));
  return out;
}

std::vector<UpStation> UpstreamCache::search(const std::string& words, const std::string& code, int limit) {
  const auto terms = searchTerms(words);
  Lease l(*this);
  std::vector<UpStation> out;
  if (terms.empty()) {
    // In the lists' order; two forms so SQLite can use the country index.
    std::string sql = std::string("SELECT ") + kColumns + " FROM up_stations s";
    if (!code.empty()) sql += " WHERE s.country = ?1";
    sql += std::string(kOrder) + " LIMIT ?2";
    Statement st(l.db(), sql.c_str());
    if (!code.empty()) st.bind(1, code);
    st.bind(2, limit);
    while (st.step()) out.push_back(readStation(st));
    return out;
  }
  const auto lookup = [&](const std::string& term,
                          const std::function<void(int64_t, const std::string&)>& add) {
    Statement st(l.db(),
                 (std::string("SELECT s.id, s.country FROM up_stations s WHERE s.id IN (SELECT rowid FROM"
                              " up_station_search WHERE up_station_search MATCH ?1)") +
                  kOrder)
                     .c_str());
    st.bind(1, term);
    while (st.step()) add(st.int64(0), st.text(1));
  };
  const auto ids =
      matches_.find(terms, code, static_cast<size_t>(std::max(limit, 0)), stationsVersion(), lookup);
  Statement row(l.db(), (std::string("SELECT ") + kColumns + " FROM up_stations s WHERE s.id = ?1").c_str());
  for (const int64_t id : ids) {
    row.reset();
    if (row.bind(1, id).step()) out.push_back(readStation(row));
  }
  return out;
}

}  // namespace vantor::server
