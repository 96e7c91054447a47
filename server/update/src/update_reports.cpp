#include "update_reports.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace kavreld {
namespace {

std::string NowUtc() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  ::gmtime_r(&seconds, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return text;
}

std::string Column(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

std::unique_ptr<UpdateReports> UpdateReports::Open(const std::filesystem::path& path, std::string& error) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
      SQLITE_OK) {
    error = "cannot open " + path.string() + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  const char* setup =
      "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
      "CREATE TABLE IF NOT EXISTS update_reports (id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT NOT NULL,"
      " address TEXT NOT NULL, version TEXT NOT NULL, code TEXT NOT NULL);";
  char* message = nullptr;
  if (sqlite3_exec(db, setup, nullptr, nullptr, &message) != SQLITE_OK) {
    error = "cannot set up " + path.string() + ": " + (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
    return nullptr;
  }
  return std::unique_ptr<UpdateReports>(new UpdateReports(db));
}

UpdateReports::~UpdateReports() { sqlite3_close(db_); }

bool UpdateReports::Record(const std::string& address, const std::string& version, const std::string& code) {
  std::lock_guard<std::mutex> lock(mutex_);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, "INSERT INTO update_reports (time, address, version, code) VALUES (?, ?, ?, ?)", -1,
                         &statement, nullptr) != SQLITE_OK)
    return false;
  std::string now = NowUtc();
  sqlite3_bind_text(statement, 1, now.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 2, address.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 3, version.c_str(), static_cast<int>(version.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 4, code.c_str(), static_cast<int>(code.size()), SQLITE_TRANSIENT);
  bool done = sqlite3_step(statement) == SQLITE_DONE;
  sqlite3_finalize(statement);
  return done;
}

std::vector<UpdateReport> UpdateReports::All() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<UpdateReport> reports;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT id, time, address, version, code FROM update_reports ORDER BY id", -1, &statement,
                         nullptr) != SQLITE_OK)
    return reports;
  while (sqlite3_step(statement) == SQLITE_ROW)
    reports.push_back({sqlite3_column_int64(statement, 0), Column(statement, 1), Column(statement, 2),
                       Column(statement, 3), Column(statement, 4)});
  sqlite3_finalize(statement);
  return reports;
}

}  // namespace kavreld
