// The registration-number rule and the member store (SQLite): joins, lookups,
// changes, questions, and what survives reopening the file.
#include <gtest/gtest.h>

#include "member_store.h"
#include "registration_number.h"
#include "server_process.h"

namespace kavreld {
namespace {

TEST(RegistrationNumber, CheckDigitRule) {
  EXPECT_TRUE(IsValidRegistrationNumber("8001011234560"));
  EXPECT_FALSE(IsValidRegistrationNumber("8001011234561"));  // wrong check digit
  // A sum that is a multiple of 11 asks for (11 - 0) mod 10 = 1:
  // 1·2 + 1·3 + 2·4 + 1·9 = 22.
  EXPECT_TRUE(IsValidRegistrationNumber("1120000100001"));
  EXPECT_FALSE(IsValidRegistrationNumber("1120000100000"));
  EXPECT_TRUE(IsValidRegistrationNumber("0000000000001"));
  EXPECT_FALSE(IsValidRegistrationNumber("0000000000000"));
  // Only 13 digits: letters, 12 or 14 characters are refused before any sum.
  EXPECT_FALSE(IsValidRegistrationNumber("800101123456"));
  EXPECT_FALSE(IsValidRegistrationNumber("80010112345600"));
  EXPECT_FALSE(IsValidRegistrationNumber("80010a1234560"));
  EXPECT_FALSE(IsValidRegistrationNumber(""));
}

Member Hong() { return {"hong", "홍길동", "8001011234560", "USER", "hong@example.com"}; }

TEST(MemberStore, JoinFindUpdateAndFindId) {
  testing::TempDir dir("store");
  std::string error;
  auto store = MemberStore::Open(dir.path() / "m.db", error);
  ASSERT_TRUE(store) << error;
  EXPECT_EQ(store->Join(Hong()), MemberStore::Status::Done);
  EXPECT_EQ(store->Join(Hong()), MemberStore::Status::Taken);
  Member second = Hong();
  second.id = "hong2";
  EXPECT_EQ(store->Join(second), MemberStore::Status::Done);

  Member m;
  ASSERT_EQ(store->Find("hong", m), MemberStore::Status::Done);
  EXPECT_EQ(m.name, "홍길동");
  EXPECT_EQ(store->Find("HONG", m), MemberStore::Status::NotFound);  // IDs are exact
  // Quotes and the like are data, never SQL.
  EXPECT_EQ(store->Find("x' OR '1'='1", m), MemberStore::Status::NotFound);

  EXPECT_EQ(store->Update("hong", "new@example.com", "DRIVER"), MemberStore::Status::Done);
  EXPECT_EQ(store->Update("nobody", "a@b", "USER"), MemberStore::Status::NotFound);
  ASSERT_EQ(store->Find("hong", m), MemberStore::Status::Done);
  EXPECT_EQ(m.email, "new@example.com");
  EXPECT_EQ(m.userType, "DRIVER");

  std::string id;
  ASSERT_EQ(store->FindIdByRegistrationNumber("8001011234560", id), MemberStore::Status::Done);
  EXPECT_EQ(id, "hong");  // the earliest of the two with that number
  EXPECT_EQ(store->FindIdByRegistrationNumber("9001011234568", id), MemberStore::Status::NotFound);
}

TEST(MemberStore, QuestionsAndReopening) {
  testing::TempDir dir("store");
  std::string error;
  {
    auto store = MemberStore::Open(dir.path() / "m.db", error);
    ASSERT_TRUE(store) << error;
    ASSERT_EQ(store->Join(Hong()), MemberStore::Status::Done);
    ASSERT_EQ(store->AddQuestion("hong", "첫 질문"), MemberStore::Status::Done);
    ASSERT_EQ(store->AddQuestion("hong", "둘째 질문"), MemberStore::Status::Done);
  }
  auto store = MemberStore::Open(dir.path() / "m.db", error);
  ASSERT_TRUE(store) << error;
  Member m;
  EXPECT_EQ(store->Find("hong", m), MemberStore::Status::Done);
  std::vector<Question> open;
  ASSERT_EQ(store->OpenQuestions("hong", open), MemberStore::Status::Done);
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open[0].text, "첫 질문");
  EXPECT_EQ(store->MarkAnswered(open[0].number), MemberStore::Status::Done);
  EXPECT_EQ(store->MarkAnswered(9999), MemberStore::Status::NotFound);
  ASSERT_EQ(store->OpenQuestions("hong", open), MemberStore::Status::Done);
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0].text, "둘째 질문");
}

TEST(MemberStore, UnusableFileIsReported) {
  testing::TempDir dir("store");
  std::string error;
  EXPECT_FALSE(MemberStore::Open(dir.path() / "no" / "such" / "dir" / "m.db", error));
  EXPECT_FALSE(error.empty());
  std::ofstream(dir.path() / "junk.db") << "this is not a database, just text that is long enough to be read";
  error.clear();
  EXPECT_FALSE(MemberStore::Open(dir.path() / "junk.db", error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kavreld
