#pragma once

#include "directory_db.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace vantor::server {

// Runs SQL without results; throws DbError.
inline void execSql(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    const std::string msg = err ? err : "unknown error";
    sqlite3_free(err);
    throw DbError(msg);
  }
}

// One prepared statement; every failure throws DbError.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
      throw DbError(std::string("prepare: ") + sqlite3_errmsg(db));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int i, const std::string& v) {
    check(sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Statement& bind(int i, int v) {
    check(sqlite3_bind_int(stmt_, i, v));
    return *this;
  }
  Statement& bind(int i, int64_t v) {
    check(sqlite3_bind_int64(stmt_, i, v));
    return *this;
  }
  // For the next row of a batch insert.
  void reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  // True while there is a row.
  bool step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw DbError(std::string("step: ") + sqlite3_errmsg(db_));
  }
  std::string text(int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, col))) : std::string();
  }
  int integer(int col) { return sqlite3_column_int(stmt_, col); }
  int64_t int64(int col) { return sqlite3_column_int64(stmt_, col); }

 private:
  void check(int rc) {
    if (rc != SQLITE_OK) throw DbError(std::string("bind: ") + sqlite3_errmsg(db_));
  }
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace vantor::server
