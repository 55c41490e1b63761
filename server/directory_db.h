#pragma once

#include "catalogue.h"

#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace vantor::server {

struct DbError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct CountryRow {
  std::string stem, nameNl, nameEn;
};

struct StationRow {
  std::string key, country, name, tags, homepage;
  StreamKind kind = StreamKind::Mp3;
  int bitrateKbps = 64;
};

struct Report {
  std::string received;  // UTC, ISO 8601; the first report of this address
  std::string lang, url, name, country, remote;
  int count = 1;          // reports of this address folded into this one
  std::string last = {};  // the latest of them
};

// The catalogue, its search index and the broken-station reports in one SQLite file.
// The catalogue is replaced at every start; reports are kept.
class DirectoryDb {
 public:
  static constexpr int kSearchLimit = 500;
  static constexpr int kReportCap = 5000;

  // Beyond `reportCap` stored reports the ones reported least recently go.
  explicit DirectoryDb(const std::string& path, int reportCap = kReportCap);
  ~DirectoryDb();
  DirectoryDb(const DirectoryDb&) = delete;
  DirectoryDb& operator=(const DirectoryDb&) = delete;

  void replaceCatalogue(const Catalogue& cat);

  std::vector<CountryRow> countries();
  // Case-insensitive on the stem; nothing when the country is unknown.
  std::vector<StationRow> stationsOf(const std::string& stem);
  std::optional<StationRow> stationByKey(const std::string& key);

  // Every word must start a word of the name or the tags, accents and case ignored.
  // An empty country searches all; an unknown one finds nothing.
  std::vector<StationRow> search(const std::string& words, const std::string& countryStem,
                                 int limit = kSearchLimit);

  // A report of an address already stored raises its count and its last time.
  void addReport(const Report& r);
  std::vector<Report> reports();

 private:
  void exec(const char* sql);

  bool hasColumn(const char* table, const char* column);

  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  int reportCap_;
};

// The FTS5 terms of the typed words: each a quoted prefix term, so no input is query syntax.
std::vector<std::string> searchTerms(const std::string& words);
// All of them, joined by AND.
std::string searchExpression(const std::string& words);

}  // namespace vantor::server
