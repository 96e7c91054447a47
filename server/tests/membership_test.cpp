// The registration-number rule and the member store (SQLite): joins, lookups,
// changes, questions, and what survives reopening the file.
#include <gtest/gtest.h>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "member_store.h"
#include "registration_number.h"
#include "request_handler.h"
#include "server_process.h"

namespace kavreld {
using namespace protocol;
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

// A member keeps his newest questions, answered or not; a new one drops the oldest,
// and a database from before the bound is cut to it when opened.
TEST(MemberStore, KeepsEachMembersNewestQuestions) {
  testing::TempDir dir("store");
  std::string error;
  auto texts = [](MemberStore& store, const std::string& id) {
    std::vector<Question> open;
    EXPECT_EQ(store.OpenQuestions(id, open), MemberStore::Status::Done);
    std::vector<std::string> out;
    for (const Question& q : open) out.push_back(q.text);
    return out;
  };
  {
    auto store = MemberStore::Open(dir.path() / "m.db", error, 10);
    ASSERT_TRUE(store) << error;
    for (int i = 1; i <= 6; ++i) ASSERT_EQ(store->AddQuestion("hong", "q" + std::to_string(i)), MemberStore::Status::Done);
    ASSERT_EQ(store->AddQuestion("kim", "k1"), MemberStore::Status::Done);
  }
  auto store = MemberStore::Open(dir.path() / "m.db", error, 3);
  ASSERT_TRUE(store) << error;
  EXPECT_EQ(texts(*store, "hong"), (std::vector<std::string>{"q4", "q5", "q6"}));
  std::vector<Question> open;
  ASSERT_EQ(store->OpenQuestions("hong", open), MemberStore::Status::Done);
  ASSERT_EQ(store->MarkAnswered(open[2].number), MemberStore::Status::Done);  // q6 answered, still kept
  ASSERT_EQ(store->AddQuestion("hong", "q7"), MemberStore::Status::Done);
  EXPECT_EQ(texts(*store, "hong"), (std::vector<std::string>{"q5", "q7"}));
  ASSERT_EQ(store->AddQuestion("hong", "q8"), MemberStore::Status::Done);
  EXPECT_EQ(texts(*store, "hong"), (std::vector<std::string>{"q7", "q8"}));  // q6 went as the oldest
  EXPECT_EQ(texts(*store, "kim"), std::vector<std::string>{"k1"});         // others keep theirs
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

// A user ID that fills its 21 bytes has no NUL: it is refused, not cut to 20 bytes
// (which would be another member's ID, free to join again).
TEST(RequestHandler, IdsThatDoNotFitTheirFieldAreRefused) {
  testing::TempDir dir("handler");
  HandlerSetup setup;
  setup.dataDir = testing::SampleData();
  setup.dbPath = dir.path() / "m.db";
  std::vector<std::string> warnings;
  std::string error;
  auto handler = RequestHandler::Create(setup, warnings, error);
  ASSERT_TRUE(handler) << error;
  auto join = [&](const std::string& id) {
    Request r{kUserRegister, "127.0.0.1", std::vector<std::uint8_t>(kUserRecordSize, 0)};
    std::copy(id.begin(), id.end(), r.body.begin());  // as sent: no NUL when the ID fills the field
    kavrel::WriteCp949Field(r.body.data() + kUserNameOffset, kUserNameSize, "hong");
    kavrel::WriteCp949Field(r.body.data() + kUserNumberOffset, kUserNumberSize, "8001011234560");
    kavrel::WriteCp949Field(r.body.data() + kUserTypeOffset, kUserTypeSize, "USER");
    kavrel::WriteCp949Field(r.body.data() + kUserEmailOffset, kUserEmailSize, "h@example.com");
    auto reply = handler->Handle(r);
    return reply.bytes.size() == 4 ? kavrel::ReadU32(reply.bytes.data(), 0) : 0xFFFFFFFFu;
  };
  const std::string twenty(20, 'a'), twentyOne(21, 'a');
  EXPECT_EQ(join(twentyOne), kResultRefused);
  EXPECT_EQ(join(twenty), kResultOk);
  EXPECT_EQ(join(twentyOne), kResultRefused);  // not "taken": it is no ID at all
  // Questions name their member the same way.
  Request ask{kQuestionSend, "127.0.0.1", std::vector<std::uint8_t>(kQuestionPrefixSize, 0)};
  std::copy(twentyOne.begin(), twentyOne.end(), ask.body.begin());
  kavrel::WriteU32(ask.body.data(), kUserIdBodySize, 1);
  ask.body.push_back('?');
  EXPECT_EQ(kavrel::ReadU32(handler->Handle(ask).bytes.data(), 0), kResultUnknownMember);
  ask.body[20] = 0;
  EXPECT_EQ(kavrel::ReadU32(handler->Handle(ask).bytes.data(), 0), kResultOk);
}

}  // namespace
}  // namespace kavreld
