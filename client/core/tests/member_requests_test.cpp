// The membership requests through the real network library against scripted peers and
// kavreld, and the registration-number rule.
#include <cstring>

#include "ZMNTP.h"
#include "ansi_text.h"
#include "kavrel/little_endian.h"
#include "member_requests.h"
#include "messages.h"
#include "protocol/records.h"
#include "scripted_peer.h"
#include "server_process.h"
#include "session_fixture.h"
#include "kavrel/ui/shell.h"

namespace {

using kavrel::ui::MessageIcon;
using zmntp::testing::Bytes;
using zmntp::testing::Conversation;
using zmntp::testing::Framed;
using zmntp::testing::Le32;
using zmntp::testing::ScriptedPeer;
namespace msg = client::messages;

using zmntp::testing::Answer;
using client::testing::LogoutAnswer;

QString U(const char* s) { return QString::fromUtf8(s); }

class Membership : public client::testing::ClientRun {
 protected:
  // The login screen, no automatic login: only the exit's logout goes out by itself.
  void StartOn(const std::string& server) {
    store.WriteProfileString(CSettingsStore::kSettings, "tsip", QString::fromStdString(server));
    store.WriteProfileString(CSettingsStore::kSettings, "login_id", "old");
    store.WriteProfileInt(CSettingsStore::kSettings, "ticker_start", 0);
    Start();
    boxes.Clear();
  }
  void ExpectOneBox(const char* text) {
    auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, U(text));
    EXPECT_EQ(shown[0].caption, U(msg::kCaption));
    EXPECT_EQ(shown[0].icon, MessageIcon::Information);
  }
  // The body of the first request (after its 24-byte header).
  static Bytes FirstBody(ScriptedPeer& peer, std::size_t size) {
    auto r = peer.Received();
    if (r.empty() || r[0].size() < 24 + size) return {};
    return Bytes(r[0].begin() + 24, r[0].begin() + 24 + static_cast<std::ptrdiff_t>(size));
  }
  std::string address = zmntp::testing::TestAddress();
};

TEST(RegistrationNumber, CheckDigitRule) {
  // 800101-1234560: sum = 16+0+0+5+0+7+8+18+6+12+20+30 = 122, 122 mod 11 = 1, check 0.
  // It is the only remainder that gives 0, and no weight times a digit change is a
  // multiple of 11: every single-digit change is refused.
  const QString valid = "8001011234560";
  ASSERT_TRUE(client::IsValidRegistrationNumber(valid.left(6), valid.mid(6)));
  for (int i = 0; i < 13; ++i) {
    for (char digit = '0'; digit <= '9'; ++digit) {
      QString n = valid;
      if (n[i] == QChar(digit)) continue;
      n[i] = QChar(digit);
      EXPECT_FALSE(client::IsValidRegistrationNumber(n.left(6), n.mid(6))) << n.toStdString();
    }
  }
  struct Case {
    const char* front;
    const char* back;
    bool valid;
  } cases[] = {
      {"000000", "0000001", true},   // sum 0: a multiple of 11 needs 1
      {"000000", "0000000", false},
      {"130000", "0000001", true},   // 2 + 9 = 11
      {"130000", "0000000", false},
      {"900101", "2000009", true},   // 18+5+7+16 = 46, mod 11 = 2, check 9
      {"A00101", "1234564", true},   // a letter counts as 0: 122 - 16 = 106, mod 11 = 7, check 4
      {"800101", "123456", false},   // a second part of 6 is refused before any digit
      {"80010", "11234560", false},
      {"8001011", "234560", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.front) + "-" + c.back);
    EXPECT_EQ(client::IsValidRegistrationNumber(c.front, c.back), c.valid);
  }
}

TEST_F(Membership, JoinResultsAndWhatEachWritesToTheProfile) {
  struct Case {
    std::uint32_t result;
    const char* message;  // nullptr: none
    bool joined;
  } cases[] = {
      {0, msg::kJoined, true},        {16, msg::kIdInUse, false},  {1, msg::kConnectFailed, false},
      {3, msg::kReceiveFailed, false}, {7, msg::kJoinFailed, false}, {RESULT_NOT_HANDLED, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    ScriptedPeer peer(address, {Answer(124, Le32(c.result)), LogoutAnswer()});
    StartOn(address);
    EXPECT_EQ(traffic().Join(U("홍길동"), "newbie", "8001011234560", "a@b.kr", "USER"), c.joined);
    if (c.message) {
      ExpectOneBox(c.message);
    } else {
      EXPECT_TRUE(boxes.shown().empty());
    }
    EXPECT_EQ(store.LoginId(), c.joined ? QString("newbie") : QString("old"));
    EXPECT_EQ(store.TickerStart(), 0);   // the join does not log in
    EXPECT_EQ(app->loginId, QString("old"));  // nor changes the application's ID
    Exit();
    peer.Finish();
    protocol::UserRecord sent{"newbie", client::ToAnsiLossy(U("홍길동")), "8001011234560", "USER", "a@b.kr"};
    auto expected = protocol::WriteUserRecord(sent);
    EXPECT_EQ(FirstBody(peer, 124), Bytes(expected.begin(), expected.end()));
  }
}

TEST_F(Membership, TextsThatDoNotFitTheirFieldAreRefusedWithoutSending) {
  struct Case {
    QString name, id, email;
    const char* field;
    const char* message;
  } cases[] = {
      // 11 Hangul syllables take 22 bytes: no room for the NUL in 21.
      {QString(11, QChar(0xAC00)), "id", "a@b", "이 름", msg::kFieldTooLong},
      {"name", QString(21, 'x'), "a@b", "사용자 ID", msg::kFieldTooLong},
      {"name", "id", QString(54, 'e') + "@", "E-MAIL", msg::kFieldTooLong},
      {QStringLiteral("이름\U0001F600"), "id", "a@b", "이 름", msg::kFieldNotKorean},
      {"name", QStringLiteral("id\u00E9"), "a@b", "사용자 ID", msg::kFieldNotKorean},
  };
  ScriptedPeer peer(address, {LogoutAnswer()});
  StartOn(address);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    boxes.Clear();
    EXPECT_FALSE(traffic().Join(c.name, c.id, "8001011234560", c.email, "USER"));
    ExpectOneBox(QString::fromUtf8(c.message).arg(U(c.field)).toUtf8().constData());
  }
  // Ten syllables fit (20 bytes and the NUL).
  boxes.Clear();
  EXPECT_FALSE(traffic().ChangeMemberInformation("id", QString(55, 'e'), "USER"));
  ExpectOneBox(QString::fromUtf8(msg::kFieldTooLong).arg("E-MAIL").toUtf8().constData());
  Exit();
  peer.Finish();
  ASSERT_EQ(peer.Received().size(), 1u);  // the logout alone
}

TEST_F(Membership, ChangeSucceedsOnANonZeroResult) {
  struct Case {
    std::optional<std::uint32_t> result;  // nullopt: an empty reply
    const char* message;
    bool changed;
  } cases[] = {{1u, msg::kMemberInfoChanged, true},
               {0u, msg::kMemberInfoChangeFailed, false},
               {std::nullopt, nullptr, true}};
  for (const Case& c : cases) {
    ScriptedPeer peer(address, {Answer(124, c.result ? Le32(*c.result) : Bytes{}), LogoutAnswer()});
    StartOn(address);
    EXPECT_EQ(traffic().ChangeMemberInformation("member", "new@mail.kr", "DRIVER"), c.changed);
    if (c.message) {
      ExpectOneBox(c.message);
    } else {
      EXPECT_TRUE(boxes.shown().empty());
    }
    EXPECT_EQ(kavrel::ui::CurrentCursor(), kavrel::CursorShape::Arrow);
    Exit();
    peer.Finish();
    auto expected = protocol::WriteUserRecord({"member", {}, {}, "DRIVER", "new@mail.kr"});
    EXPECT_EQ(FirstBody(peer, 124), Bytes(expected.begin(), expected.end()));
  }
}

TEST_F(Membership, MemberInformationFromTheRecord) {
  auto full = protocol::WriteUserRecord(
      {"member", client::ToAnsiLossy(U("김철수")), "8001011234560", "OFFICIAL", "kim@mail.kr"});
  ScriptedPeer peer(address, {Answer(21, Bytes(full.begin(), full.end())), LogoutAnswer()});  // the ID alone
  StartOn(address);
  client::MemberInfo info;
  ASSERT_TRUE(traffic().GetMemberInformation("member", info));
  EXPECT_EQ(info.name, U("김철수"));
  EXPECT_EQ(info.registrationNumber, "8001011234560");
  EXPECT_EQ(info.userType, "OFFICIAL");
  EXPECT_EQ(info.email, "kim@mail.kr");
  EXPECT_TRUE(boxes.shown().empty());
  Exit();
}

TEST_F(Membership, FindIdKnownShortAndUnreachable) {
  const std::string found = "member";
  ScriptedPeer peer(address, {Answer(14, Bytes(found.begin(), found.end() + 1)),
                              Answer(14, Bytes(found.begin(), found.end())),  // without its NUL
                              Answer(14, Bytes{}), LogoutAnswer()});
  StartOn(address);
  EXPECT_EQ(traffic().FindId("8001011234560"), "member");
  EXPECT_EQ(traffic().FindId("8001011234560"), "member");
  EXPECT_EQ(traffic().FindId("8001011234560"), "");
  Exit();
  peer.Finish();
  Bytes body(14, 0);
  std::memcpy(body.data(), "8001011234560", 13);
  EXPECT_EQ(FirstBody(peer, 14), body);

  // Nobody listens: empty, after the failure's wait on the clock.
  StartOn(zmntp::testing::TestAddress());
  const std::uint32_t before = clock.TickCount();
  EXPECT_EQ(traffic().FindId("8001011234560"), "");
  EXPECT_GE(clock.TickCount() - before, 1000u);
  EXPECT_TRUE(boxes.shown().empty());
  Exit();
}

TEST_F(Membership, JoinThenLogInWithTheNewIdAgainstKavreld) {
  kavreld::testing::TempDir dir("member");
  kavreld::testing::KavreldProcess server(address, kavreld::testing::SampleData(), dir.path() / "members.db",
                                          dir.path() / "kavreld.log");
  ASSERT_TRUE(server.Start()) << server.Log();
  StartOn(address);
  ASSERT_TRUE(traffic().Join(U("새회원"), "joiner", "8001011234560", "j@mail.kr", "DRIVER"));
  EXPECT_EQ(store.LoginId(), "joiner");
  boxes.Clear();
  // The same ID again: in use, nothing written.
  store.WriteProfileString(CSettingsStore::kSettings, "login_id", "other");
  EXPECT_FALSE(traffic().Join(U("새회원"), "joiner", "8001011234560", "j@mail.kr", "DRIVER"));
  ExpectOneBox(msg::kIdInUse);
  EXPECT_EQ(store.LoginId(), "other");
  boxes.Clear();
  ASSERT_TRUE(traffic().Login("joiner"));
  client::MemberInfo info;
  ASSERT_TRUE(traffic().GetMemberInformation("joiner", info));
  EXPECT_EQ(info.name, U("새회원"));
  EXPECT_EQ(info.userType, "DRIVER");
  EXPECT_EQ(traffic().FindId("8001011234560"), "joiner");
  EXPECT_EQ(traffic().FindId("0000000000001"), "");
  Exit();
}

}  // namespace
