#include "directory_db.h"

#include "sqlite_statement.h"

#include <sqlite3.h>

namespace vantor::server {

namespace {

constexpr const char* kStationColumns = "s.key, s.country, s.name, s.tags, s.homepage, s.kind, s.bitrate";

StationRow readStation(Statement& st) {
  StationRow r;
  r.key = st.text(0);
  r.country = st.text(1);
  r.name = st.text(2);
  r.tags = st.text(3);
  r.homepage = st.text(4);
  r.kind = static_cast<StreamKind>(st.integer(5));
  r.bitrateKbps = st.integer(6);
  return r;
}

}  // namespace

std::vector<std::string> searchTerms(const std::string& words) {
  // Control characters (a NUL above all) separate words instead of reaching the query text.
  const auto blank = [&](size_t k) {
    return static_cast<unsigned char>(words[k]) <= ' ' || words[k] == '\x7f';
  };
  std::vector<std::string> terms;
  size_t i = 0;
  while (i < words.size()) {
    while (i < words.size() && blank(i)) ++i;
    size_t j = i;
    while (j < words.size() && !blank(j)) ++j;
    if (j > i) {
      std::string term = "\"";
      for (size_t k = i; k < j; ++k) {
        if (words[k] == '"') term += '"';  // doubled inside a quoted FTS5 string
        term += words[k];
      }
      terms.push_back(term + "\"*");
    }
    i = j;
  }
  return terms;
}

std::string searchExpression(const std::string& words) {
  std::string expr;
  for (const auto& term : searchTerms(words)) expr += (expr.empty() ? "" : " AND ") + term;
  return expr;
}

DirectoryDb::DirectoryDb(const std::string& path, int reportCap) : reportCap_(reportCap) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw DbError("cannot open " + path + ": " + msg);
  }
  sqlite3_busy_timeout(db_, 5000);
  try {
    // A report that was answered with a thank-you page must survive a power cut.
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=FULL");
    exec(
        "CREATE TABLE IF NOT EXISTS countries(pos INTEGER PRIMARY KEY, stem TEXT NOT NULL UNIQUE COLLATE "
        "NOCASE,"
        " name_nl TEXT NOT NULL, name_en TEXT NOT NULL)");
    exec(
        "CREATE TABLE IF NOT EXISTS stations(id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE COLLATE NOCASE,"
        " country TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL, tags TEXT NOT NULL,"
        " homepage TEXT NOT NULL, kind INTEGER NOT NULL, bitrate INTEGER NOT NULL)");
    exec(
        "CREATE VIRTUAL TABLE IF NOT EXISTS station_search USING fts5(name, tags, content='stations',"
        " content_rowid='id', tokenize='unicode61 remove_diacritics 2')");
    exec(
        "CREATE TABLE IF NOT EXISTS reports(id INTEGER PRIMARY KEY, received TEXT NOT NULL, lang TEXT NOT "
        "NULL,"
        " url TEXT NOT NULL, name TEXT NOT NULL, country TEXT NOT NULL, remote TEXT NOT NULL)");
    if (!hasColumn("reports", "count")) {  // a database from before reports were folded
      exec("ALTER TABLE reports ADD COLUMN count INTEGER NOT NULL DEFAULT 1");
      exec("ALTER TABLE reports ADD COLUMN last TEXT NOT NULL DEFAULT ''");
      exec("UPDATE reports SET last = received");
    }
    exec("CREATE INDEX IF NOT EXISTS reports_url ON reports(url)");
    exec("CREATE INDEX IF NOT EXISTS reports_last ON reports(last, id)");
  } catch (...) {
    sqlite3_close(db_);
    throw;
  }
}

DirectoryDb::~DirectoryDb() { sqlite3_close(db_); }

bool DirectoryDb::hasColumn(const char* table, const char* column) {
  Statement st(db_, (std::string("SELECT 1 FROM pragma_table_info('") + table + "') WHERE name = ?").c_str());
  st.bind(1, std::string(column));
  return st.step();
}

void DirectoryDb::exec(const char* sql) { execSql(db_, sql); }

void DirectoryDb::replaceCatalogue(const Catalogue& cat) {
  std::lock_guard lock(mutex_);
  exec("BEGIN IMMEDIATE");
  try {
    exec("DELETE FROM stations");
    exec("DELETE FROM countries");
    int pos = 0, id = 0;
    for (const auto& c : cat.countries) {
      Statement(db_, "INSERT INTO countries(pos, stem, name_nl, name_en) VALUES(?,?,?,?)")
          .bind(1, ++pos)
          .bind(2, c.stem)
          .bind(3, c.nameNl)
          .bind(4, c.nameEn)
          .step();
      for (const auto& s : c.stations) {
        Statement(db_,
                  "INSERT INTO stations(id, key, country, name, tags, homepage, kind, bitrate)"
                  " VALUES(?,?,?,?,?,?,?,?)")
            .bind(1, ++id)
            .bind(2, s.key)
            .bind(3, c.stem)
            .bind(4, s.name)
            .bind(5, s.tags)
            .bind(6, s.homepage)
            .bind(7, static_cast<int>(s.kind))
            .bind(8, s.bitrateKbps)
            .step();
      }
    }
    exec("INSERT INTO station_search(station_search) VALUES('rebuild')");
    exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::vector<CountryRow> DirectoryDb::countries() {
  std::lock_guard lock(mutex_);
  Statement st(db_, "SELECT stem, name_nl, name_en FROM countries ORDER BY pos");
  std::vector<CountryRow> out;
  while (st.step()) out.push_back({st.text(0), st.text(1), st.text(2)});
  return out;
}

std::vector<StationRow> DirectoryDb::stationsOf(const std::string& stem) {
  std::lock_guard lock(mutex_);
  Statement st(
      db_, (std::string("SELECT ") + kStationColumns + " FROM stations s WHERE s.country = ? ORDER BY s.id")
               .c_str());
  st.bind(1, stem);
  std::vector<StationRow> out;
  while (st.step()) out.push_back(readStation(st));
  return out;
}

std::optional<StationRow> DirectoryDb::stationByKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  Statement st(db_, (std::string("SELECT ") + kStationColumns + " FROM stations s WHERE s.key = ?").c_str());
  st.bind(1, key);
  if (!st.step()) return std::nullopt;
  return readStation(st);
}

std::vector<StationRow> DirectoryDb::search(const std::string& words, const std::string& countryStem,
                                            int limit) {
  const std::string expr = searchExpression(words);
  std::string sql = std::string("SELECT ") + kStationColumns + " FROM stations s";
  if (!expr.empty())
    sql += " JOIN station_search f ON f.rowid = s.id WHERE station_search MATCH ?1";
  else
    sql += " WHERE 1";
  sql += " AND (?2 = '' OR s.country = ?2)";
  sql += expr.empty() ? " ORDER BY s.id" : " ORDER BY f.rank, s.id";
  sql += " LIMIT ?3";

  std::lock_guard lock(mutex_);
  Statement st(db_, sql.c_str());
  if (!expr.empty()) st.bind(1, expr);
  st.bind(2, countryStem).bind(3, limit);
  std::vector<StationRow> out;
  while (st.step()) out.push_back(readStation(st));
  return out;
}

void DirectoryDb::addReport(const Report& r) {
  std::lock_guard lock(mutex_);
  exec("BEGIN IMMEDIATE");
  try {
    Statement(db_,
              "UPDATE reports SET count = count + 1, last = ?1 WHERE id ="
              " (SELECT id FROM reports WHERE url = ?2 ORDER BY id DESC LIMIT 1)")
        .bind(1, r.received)
        .bind(2, r.url)
        .step();
    if (sqlite3_changes(db_) == 0) {
      Statement(db_,
                "INSERT INTO reports(received, lang, url, name, country, remote, count, last)"
                " VALUES(?,?,?,?,?,?,1,?)")
          .bind(1, r.received)
          .bind(2, r.lang)
          .bind(3, r.url)
          .bind(4, r.name)
          .bind(5, r.country)
          .bind(6, r.remote)
          .bind(7, r.received)
          .step();
      Statement(db_,
                "DELETE FROM reports WHERE id IN (SELECT id FROM reports ORDER BY last DESC, id DESC"
                " LIMIT -1 OFFSET ?)")
          .bind(1, reportCap_)
          .step();
    }
    exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::vector<Report> DirectoryDb::reports() {
  std::lock_guard lock(mutex_);
  Statement st(db_,
               "SELECT received, lang, url, name, country, remote, count, last FROM reports ORDER BY id");
  std::vector<Report> out;
  while (st.step())
    out.push_back(
        {st.text(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5), st.integer(6), st.text(7)});
  return out;
}

}  // namespace vantor::server
