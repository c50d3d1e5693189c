#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace qv::gateway {

class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A prepared statement: bind by position (1-based), step, read columns (0-based).
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, const std::string& value);
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, double value);
  // True while a row is there to read.
  bool Step();
  void Run() { Step(); }
  // Ready to run again with new bindings.
  void Reset() { sqlite3_reset(stmt_); }
  std::string Text(int column) const;
  std::int64_t Int(int column) const;
  double Real(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

class Database {
 public:
  explicit Database(const std::string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void Exec(const char* sql);
  Statement Prepare(const char* sql) { return Statement(db_, sql); }
  std::int64_t LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
  int Changes() const { return sqlite3_changes(db_); }

  // Runs `work` in one transaction: all of it is kept, or none of it when it throws.
  template <typename F>
  auto Transaction(F&& work) {
    Exec("BEGIN IMMEDIATE");
    try {
      if constexpr (std::is_void_v<decltype(work())>) {
        work();
        Exec("COMMIT");
      } else {
        auto result = work();
        Exec("COMMIT");
        return result;
      }
    } catch (...) {
      Exec("ROLLBACK");
      throw;
    }
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace qv::gateway
