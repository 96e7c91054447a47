// Members and their questions, kept in SQLite (WAL journal, full sync). Every change
// is committed before the call returns, so a reply built on its result never claims
// more than what is on disk. Texts are stored as UTF-8; every statement binds its
// values. Each member keeps at most `questionsKept` questions (answered or not): a new
// one drops his oldest beyond that, so that one member cannot fill the disk or make
// the answer codes read thousands of texts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kavreld {

struct Member {
  std::string id;
  std::string name;
  std::string registrationNumber;
  std::string userType;  // "OFFICIAL", "USER" or "DRIVER"
  std::string email;
};

struct Question {
  std::int64_t number = 0;
  std::string text;
};

// The questions a member keeps when nothing else is asked for.
constexpr std::size_t kQuestionsKept = 50;

class MemberStore {
 public:
  enum class Status { Done, NotFound, Taken, Failed };

  // Opens (creating if need be) the database at `path`, and drops questions beyond
  // `questionsKept` per member left by an older server. nullptr and `error` set when
  // it cannot be opened or set up.
  static std::unique_ptr<MemberStore> Open(const std::filesystem::path& path, std::string& error,
                                           std::size_t questionsKept = kQuestionsKept);
  ~MemberStore();
  MemberStore(const MemberStore&) = delete;
  MemberStore& operator=(const MemberStore&) = delete;

  // Done, Taken (the ID exists) or Failed.
  Status Join(const Member& member);
  // Done with `out` filled, NotFound or Failed.
  Status Find(const std::string& id, Member& out);
  // Done, NotFound or Failed.
  Status Update(const std::string& id, const std::string& email, const std::string& userType);
  // The ID of the earliest member with this number: Done, NotFound or Failed.
  Status FindIdByRegistrationNumber(const std::string& number, std::string& id);

  // Stores the question and drops the member's oldest beyond the bound, in one commit.
  Status AddQuestion(const std::string& memberId, const std::string& text);
  // The member's questions not yet answered to him, oldest first.
  Status OpenQuestions(const std::string& memberId, std::vector<Question>& out);
  Status MarkAnswered(std::int64_t number);

  const std::string& lastError() const { return lastError_; }

 private:
  MemberStore(sqlite3* db, std::size_t questionsKept) : db_(db), questionsKept_(questionsKept) {}
  bool Exec(const char* sql);
  sqlite3_stmt* Prepare(const char* sql);
  Status Fail();

  sqlite3* db_;
  std::size_t questionsKept_;
  // Prepared once, reused: keyed by the statement text (always a literal).
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
  std::string lastError_;
};

}  // namespace kavreld
