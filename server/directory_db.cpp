#include "directory_db.h"

#include "sqlite_statement.h"

#include <sqlite3.h>

namespace vantor::server {

namespace {

constexpr const char *kStationColumns =
    "s.key, s.country, s.name, s.tags, s.homepage, s.kind, s.bitrate";

StationRow ReadStation(Statement &st)
{
    StationRow r;
    r.key = st.Text(0);
    r.country = st.Text(1);
    r.name = st.Text(2);
    r.tags = st.Text(3);
    r.homepage = st.Text(4);
    r.kind = static_cast<StreamKind>(st.Int(5));
    r.bitrateKbps = st.Int(6);
    return r;
}

}  // namespace

std::vector<std::string> SearchTerms(const std::string &words)
{
    // Control characters (a NUL above all) separate words instead of reaching the query text.
    const auto blank = [&](size_t k) { return static_cast<unsigned char>(words[k]) <= ' ' || words[k] == '\x7f'; };
    std::vector<std::string> terms;
    size_t i = 0;
    while (i < words.size()) {
        while (i < words.size() && blank(i))
            ++i;
        size_t j = i;
        while (j < words.size() && !blank(j))
            ++j;
        if (j > i) {
            std::string term = "\"";
            for (size_t k = i; k < j; ++k) {
                if (words[k] == '"')
                    term += '"';  // doubled inside a quoted FTS5 string
                term += words[k];
            }
            terms.push_back(term + "\"*");
        }
        i = j;
    }
    return terms;
}

std::string SearchExpression(const std::string &words)
{
    std::string expr;
    for (const auto &term : SearchTerms(words))
        expr += (expr.empty() ? "" : " AND ") + term;
    return expr;
}

DirectoryDb::DirectoryDb(const std::string &path, int reportCap)
    : reportCap_(reportCap)
{
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
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=FULL");
        Exec("CREATE TABLE IF NOT EXISTS countries(pos INTEGER PRIMARY KEY, stem TEXT NOT NULL UNIQUE COLLATE NOCASE,"
             " name_nl TEXT NOT NULL, name_en TEXT NOT NULL)");
        Exec("CREATE TABLE IF NOT EXISTS stations(id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE COLLATE NOCASE,"
             " country TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL, tags TEXT NOT NULL,"
             " homepage TEXT NOT NULL, kind INTEGER NOT NULL, bitrate INTEGER NOT NULL)");
        Exec("CREATE VIRTUAL TABLE IF NOT EXISTS station_search USING fts5(name, tags, content='stations',"
             " content_rowid='id', tokenize='unicode61 remove_diacritics 2')");
        Exec("CREATE TABLE IF NOT EXISTS reports(id INTEGER PRIMARY KEY, received TEXT NOT NULL, lang TEXT NOT NULL,"
             " url TEXT NOT NULL, name TEXT NOT NULL, country TEXT NOT NULL, remote TEXT NOT NULL)");
        if (!HasColumn("reports", "count")) {  // a database from before reports were folded
            Exec("ALTER TABLE reports ADD COLUMN count INTEGER NOT NULL DEFAULT 1");
            Exec("ALTER TABLE reports ADD COLUMN last TEXT NOT NULL DEFAULT ''");
            Exec("UPDATE reports SET last = received");
        }
        Exec("CREATE INDEX IF NOT EXISTS reports_url ON reports(url)");
        Exec("CREATE INDEX IF NOT EXISTS reports_last ON reports(last, id)");
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

DirectoryDb::~DirectoryDb()
{
    sqlite3_close(db_);
}

bool DirectoryDb::HasColumn(const char *table, const char *column)
{
    Statement st(db_, (std::string("SELECT 1 FROM pragma_table_info('") + table + "') WHERE name = ?").c_str());
    st.Bind(1, std::string(column));
    return st.Step();
}

void DirectoryDb::Exec(const char *sql)
{
    ExecSql(db_, sql);
}

void DirectoryDb::ReplaceCatalogue(const Catalogue &cat)
{
    std::lock_guard lock(mutex_);
    Exec("BEGIN IMMEDIATE");
    try {
        Exec("DELETE FROM stations");
        Exec("DELETE FROM countries");
        int pos = 0, id = 0;
        for (const auto &c : cat.countries) {
            Statement(db_, "INSERT INTO countries(pos, stem, name_nl, name_en) VALUES(?,?,?,?)")
                .Bind(1, ++pos).Bind(2, c.stem).Bind(3, c.nameNl).Bind(4, c.nameEn).Step();
            for (const auto &s : c.stations) {
                Statement(db_, "INSERT INTO stations(id, key, country, name, tags, homepage, kind, bitrate)"
                               " VALUES(?,?,?,?,?,?,?,?)")
                    .Bind(1, ++id).Bind(2, s.key).Bind(3, c.stem).Bind(4, s.name).Bind(5, s.tags)
                    .Bind(6, s.homepage).Bind(7, static_cast<int>(s.kind)).Bind(8, s.bitrateKbps).Step();
            }
        }
        Exec("INSERT INTO station_search(station_search) VALUES('rebuild')");
        Exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::vector<CountryRow> DirectoryDb::Countries()
{
    std::lock_guard lock(mutex_);
    Statement st(db_, "SELECT stem, name_nl, name_en FROM countries ORDER BY pos");
    std::vector<CountryRow> out;
    while (st.Step())
        out.push_back({st.Text(0), st.Text(1), st.Text(2)});
    return out;
}

std::vector<StationRow> DirectoryDb::StationsOf(const std::string &stem)
{
    std::lock_guard lock(mutex_);
    Statement st(db_, (std::string("SELECT ") + kStationColumns + " FROM stations s WHERE s.country = ? ORDER BY s.id").c_str());
    st.Bind(1, stem);
    std::vector<StationRow> out;
    while (st.Step())
        out.push_back(ReadStation(st));
    return out;
}

std::optional<StationRow> DirectoryDb::StationByKey(const std::string &key)
{
    std::lock_guard lock(mutex_);
    Statement st(db_, (std::string("SELECT ") + kStationColumns + " FROM stations s WHERE s.key = ?").c_str());
    st.Bind(1, key);
    if (!st.Step())
        return std::nullopt;
    return ReadStation(st);
}

std::vector<StationRow> DirectoryDb::Search(const std::string &words, const std::string &countryStem, int limit)
{
    const std::string expr = SearchExpression(words);
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
    if (!expr.empty())
        st.Bind(1, expr);
    st.Bind(2, countryStem).Bind(3, limit);
    std::vector<StationRow> out;
    while (st.Step())
        out.push_back(ReadStation(st));
    return out;
}

void DirectoryDb::AddReport(const Report &r)
{
    std::lock_guard lock(mutex_);
    Exec("BEGIN IMMEDIATE");
    try {
        Statement(db_, "UPDATE reports SET count = count + 1, last = ?1 WHERE id ="
                       " (SELECT id FROM reports WHERE url = ?2 ORDER BY id DESC LIMIT 1)")
            .Bind(1, r.received).Bind(2, r.url).Step();
        if (sqlite3_changes(db_) == 0) {
            Statement(db_, "INSERT INTO reports(received, lang, url, name, country, remote, count, last)"
                           " VALUES(?,?,?,?,?,?,1,?)")
                .Bind(1, r.received).Bind(2, r.lang).Bind(3, r.url).Bind(4, r.name).Bind(5, r.country)
                .Bind(6, r.remote).Bind(7, r.received).Step();
            Statement(db_, "DELETE FROM reports WHERE id IN (SELECT id FROM reports ORDER BY last DESC, id DESC"
                           " LIMIT -1 OFFSET ?)")
                .Bind(1, reportCap_).Step();
        }
        Exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::vector<Report> DirectoryDb::Reports()
{
    std::lock_guard lock(mutex_);
    Statement st(db_, "SELECT received, lang, url, name, country, remote, count, last FROM reports ORDER BY id");
    std::vector<Report> out;
    while (st.Step())
        out.push_back({st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5), st.Int(6), st.Text(7)});
    return out;
}

}  // namespace vantor::server
