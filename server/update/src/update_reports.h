// Status and error reports of the updaters, kept in the server's SQLite database
// (table update_reports: time, address, version, code), so that an operator can see
// how updates went:
//   sqlite3 members.db 'SELECT * FROM update_reports ORDER BY id'
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace kavreld {

struct UpdateReport {
  std::int64_t id = 0;
  std::string time;  // UTC, "YYYY-MM-DD HH:MM:SS.mmm"
  std::string address;
  std::string version;
  std::string code;
};

class UpdateReports {
 public:
  static std::unique_ptr<UpdateReports> Open(const std::filesystem::path& path, std::string& error);
  ~UpdateReports();
  UpdateReports(const UpdateReports&) = delete;
  UpdateReports& operator=(const UpdateReports&) = delete;

  // Stores one report, committed before it returns; false when it could not be.
  bool Record(const std::string& address, const std::string& version, const std::string& code);
  std::vector<UpdateReport> All();

 private:
  explicit UpdateReports(sqlite3* db) : db_(db) {}
  std::mutex mutex_;
  sqlite3* db_;
};

}  // namespace kavreld
