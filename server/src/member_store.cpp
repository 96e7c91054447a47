#include "member_store.h"

#include <sqlite3.h>

#include <ctime>

namespace kavreld {

namespace {

// Resets a cached statement however the function leaves, so that it holds no read
// transaction open and can be used again.
struct Statement {
  sqlite3_stmt* s = nullptr;
  ~Statement() {
    if (s) {
      sqlite3_reset(s);
      sqlite3_clear_bindings(s);
    }
  }
};

bool Bind(sqlite3_stmt* s, int index, const std::string& text) {
  return sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

std::string Column(sqlite3_stmt* s, int index) {
  const auto* text = sqlite3_column_text(s, index);
  int size = sqlite3_column_bytes(s, index);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS members ("
    "  id TEXT PRIMARY KEY,"
    "  name TEXT NOT NULL,"
    "  registration_number TEXT NOT NULL,"
    "  user_type TEXT NOT NULL,"
    "  email TEXT NOT NULL,"
    "  joined INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS members_by_number ON members(registration_number);"
    "CREATE TABLE IF NOT EXISTS questions ("
    "  number INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  member TEXT NOT NULL,"
    "  text TEXT NOT NULL,"
    "  asked INTEGER NOT NULL,"
    "  answered INTEGER NOT NULL DEFAULT 0);"
    "DROP INDEX IF EXISTS questions_by_member;"
    // A member's questions in the order asked: the answer codes and the bound read
    // only his rows, from this index.
    "CREATE INDEX IF NOT EXISTS questions_of_member ON questions(member, number);";

}  // namespace

std::unique_ptr<MemberStore> MemberStore::Open(const std::filesystem::path& path, std::string& error,
                                               std::size_t questionsKept) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    error = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<MemberStore> store(new MemberStore(db, questionsKept));
  sqlite3_busy_timeout(db, 5000);
  if (!store->Exec("PRAGMA journal_mode=WAL") || !store->Exec("PRAGMA synchronous=FULL") ||
      !store->Exec(kSchema)) {
    error = store->lastError_;
    return nullptr;
  }
  // Questions beyond the bound, from before there was one.
  Statement trim{store->Prepare(
      "DELETE FROM questions WHERE number IN (SELECT number FROM (SELECT number, ROW_NUMBER() OVER "
      "(PARTITION BY member ORDER BY number DESC) AS newer FROM questions) WHERE newer > ?)")};
  if (!trim.s || sqlite3_bind_int64(trim.s, 1, static_cast<sqlite3_int64>(questionsKept)) != SQLITE_OK ||
      sqlite3_step(trim.s) != SQLITE_DONE) {
    error = sqlite3_errmsg(db);
    return nullptr;
  }
  return store;
}

MemberStore::~MemberStore() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  sqlite3_close(db_);
}

bool MemberStore::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    lastError_ = message ? message : "sqlite error";
    sqlite3_free(message);
    return false;
  }
  return true;
}

sqlite3_stmt* MemberStore::Prepare(const char* sql) {
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
    lastError_ = sqlite3_errmsg(db_);
    return nullptr;
  }
  statements_.emplace(sql, s);
  return s;
}

MemberStore::Status MemberStore::Fail() {
  lastError_ = sqlite3_errmsg(db_);
  return Status::Failed;
}

MemberStore::Status MemberStore::Join(const Member& m) {
  Statement st{Prepare(
      "INSERT INTO members(id, name, registration_number, user_type, email, joined) VALUES(?,?,?,?,?,?)")};
  if (!st.s) return Status::Failed;
  if (!Bind(st.s, 1, m.id) || !Bind(st.s, 2, m.name) || !Bind(st.s, 3, m.registrationNumber) ||
      !Bind(st.s, 4, m.userType) || !Bind(st.s, 5, m.email) ||
      sqlite3_bind_int64(st.s, 6, static_cast<sqlite3_int64>(std::time(nullptr))) != SQLITE_OK)
    return Fail();
  int rc = sqlite3_step(st.s);
  if (rc == SQLITE_DONE) return Status::Done;
  if (sqlite3_extended_errcode(db_) == SQLITE_CONSTRAINT_PRIMARYKEY) return Status::Taken;
  return Fail();
}

MemberStore::Status MemberStore::Find(const std::string& id, Member& out) {
  Statement st{Prepare("SELECT id, name, registration_number, user_type, email FROM members WHERE id = ?")};
  if (!st.s || !Bind(st.s, 1, id)) return Fail();
  int rc = sqlite3_step(st.s);
  if (rc == SQLITE_DONE) return Status::NotFound;
  if (rc != SQLITE_ROW) return Fail();
  out = {Column(st.s, 0), Column(st.s, 1), Column(st.s, 2), Column(st.s, 3), Column(st.s, 4)};
  return Status::Done;
}

MemberStore::Status MemberStore::Update(const std::string& id, const std::string& email,
                                        const std::string& userType) {
  Statement st{Prepare("UPDATE members SET email = ?, user_type = ? WHERE id = ?")};
  if (!st.s || !Bind(st.s, 1, email) || !Bind(st.s, 2, userType) || !Bind(st.s, 3, id)) return Fail();
  if (sqlite3_step(st.s) != SQLITE_DONE) return Fail();
  return sqlite3_changes(db_) > 0 ? Status::Done : Status::NotFound;
}

MemberStore::Status MemberStore::FindIdByRegistrationNumber(const std::string& number, std::string& id) {
  Statement st{Prepare("SELECT id FROM members WHERE registration_number = ? ORDER BY joined, rowid LIMIT 1")};
  if (!st.s || !Bind(st.s, 1, number)) return Fail();
  int rc = sqlite3_step(st.s);
  if (rc == SQLITE_DONE) return Status::NotFound;
  if (rc != SQLITE_ROW) return Fail();
  id = Column(st.s, 0);
  return Status::Done;
}

MemberStore::Status MemberStore::AddQuestion(const std::string& memberId, const std::string& text) {
  if (!Exec("BEGIN IMMEDIATE")) return Status::Failed;
  auto insertAndTrim = [&] {
    Statement insert{Prepare("INSERT INTO questions(member, text, asked) VALUES(?,?,?)")};
    if (!insert.s || !Bind(insert.s, 1, memberId) || !Bind(insert.s, 2, text) ||
        sqlite3_bind_int64(insert.s, 3, static_cast<sqlite3_int64>(std::time(nullptr))) != SQLITE_OK ||
        sqlite3_step(insert.s) != SQLITE_DONE)
      return false;
    // Everything from the member's (kept + 1)-th newest question back.
    Statement trim{Prepare(
        "DELETE FROM questions WHERE member = ?1 AND number <= "
        "(SELECT number FROM questions WHERE member = ?1 ORDER BY number DESC LIMIT 1 OFFSET ?2)")};
    return trim.s && Bind(trim.s, 1, memberId) &&
           sqlite3_bind_int64(trim.s, 2, static_cast<sqlite3_int64>(questionsKept_)) == SQLITE_OK &&
           sqlite3_step(trim.s) == SQLITE_DONE;
  };
  if (!insertAndTrim()) {
    Status failed = Fail();
    Exec("ROLLBACK");
    return failed;
  }
  if (!Exec("COMMIT")) {
    Exec("ROLLBACK");
    return Status::Failed;
  }
  return Status::Done;
}

MemberStore::Status MemberStore::OpenQuestions(const std::string& memberId, std::vector<Question>& out) {
  out.clear();
  Statement st{Prepare("SELECT number, text FROM questions WHERE member = ? AND answered = 0 ORDER BY number")};
  if (!st.s || !Bind(st.s, 1, memberId)) return Fail();
  int rc;
  while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) out.push_back({sqlite3_column_int64(st.s, 0), Column(st.s, 1)});
  return rc == SQLITE_DONE ? Status::Done : Fail();
}

MemberStore::Status MemberStore::MarkAnswered(std::int64_t number) {
  Statement st{Prepare("UPDATE questions SET answered = 1 WHERE number = ?")};
  if (!st.s || sqlite3_bind_int64(st.s, 1, number) != SQLITE_OK) return Fail();
  if (sqlite3_step(st.s) != SQLITE_DONE) return Fail();
  return sqlite3_changes(db_) > 0 ? Status::Done : Status::NotFound;
}

}  // namespace kavreld
