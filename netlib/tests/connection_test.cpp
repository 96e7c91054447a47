// Connection, framing and the failure paths of one request, with their log lines.
#include <gmock/gmock.h>

#include "kavrel/clock.h"
#include "library_fixture.h"

namespace zmntp::testing {
namespace {

using Then = Conversation::Then;

class Connection : public LibraryTest {};

TEST_F(Connection, UnreachableServerIsTriedFiveTimes500msApart) {
  kavrel::FakeClock clock(5000);
  kavrel::ScopedClock scope(clock);
  unsigned long count = 77;
  // Nobody listens on this test's address: every attempt is refused.
  std::string address = TestAddress();
  EXPECT_EQ(lib_.SendCmd(address.data(), 7000, CMD_TICKER_TEXT, &count, nullptr), 1);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(clock.SleepCalls(), 5u);
  EXPECT_EQ(clock.TickCount() - 5000, 2500u);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"ZMNT:connect:=-1"});
}

TEST_F(Connection, AddressThatIsNotDottedDecimalNeverConnects) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scope(clock);
  unsigned long count = 1;
  char name[] = "localhost";
  EXPECT_EQ(lib_.SendCmd(name, 7000, CMD_TICKER_TEXT, &count, nullptr), 1);
  EXPECT_EQ(count, 0u);
}

TEST_F(Connection, ReplyArrivingInPiecesIsReadWhole) {
  Bytes body(3000);
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<std::uint8_t>(i * 7);
  Conversation c{24, Framed(body)};
  c.pieceSize = 700;  // the length word and the body in separate pieces
  ScriptedPeer peer(TestAddress(), {c});
  Outcome o = Run(peer, CMD_TICKER_TEXT, nullptr);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.data, body);
}

TEST_F(Connection, MisbehavingPeersFailWithResult3AndOneLogLine) {
  struct Case {
    const char* name;
    Conversation conversation;
    int result;
    std::string log;
  };
  Bytes twoBytes = {5, 0};
  const Case cases[] = {
      {"closes before the length", {24, {}, Then::Close}, 3, "ZMNT:SendCmd:(결과크기수신):cmd=0x20:recv=0"},
      {"short length word", {24, twoBytes, Then::Close}, 3, "ZMNT:SendCmd:(결과크기수신):cmd=0x20:recv=0"},
      {"stalls in the length word", {24, twoBytes, Then::ReadToEnd}, 3,
       "ZMNT:SendCmd:(결과크기수신):cmd=0x20:recv=-1"},
      {"closes mid-reply", {24, Concat({Le32(80), Bytes(30, 1)}), Then::Close}, 3,
       "ZMNT:SendCmd:(결과수신):cmd=0x20:recv=0"},
      {"stalls mid-reply", {24, Concat({Le32(80), Bytes(30, 1)}), Then::ReadToEnd}, 3,
       "ZMNT:SendCmd:(결과수신):cmd=0x20:recv=-1"},
      {"absurd length", {24, Le32(0x7FFFFFFF), Then::Close}, 3,
       "ZMNT:SendCmd:(결과크기초과):cmd=0x20:len=2147483647"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ / "DBM.TXT");
    ScriptedPeer peer(TestAddress(), {c.conversation});
    unsigned long count = 5;
    EXPECT_EQ(lib_.SendCmd(peer.addressText(), 7000, CMD_TEXT_ITEM_A, &count, nullptr), c.result);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(LogLines(), std::vector<std::string>{c.log});
    // Nothing is left to fetch.
    Bytes out(80, 0xEE);
    lib_.GetData(CMD_TEXT_ITEM_A, nullptr, 80, out.data());
    EXPECT_EQ(out, Bytes(80, 0));
  }
}

TEST_F(Connection, ZeroLengthReplyIsAcknowledgedAndLogged) {
  ScriptedPeer peer(TestAddress(), {{24, Le32(0)}});
  unsigned long count = 3;
  EXPECT_EQ(lib_.SendCmd(peer.addressText(), 7000, CMD_REFRESH_INTERVALS, &count, nullptr), 0);
  peer.Finish();
  EXPECT_EQ(count, 0u);
  Bytes got = peer.Received()[0];
  ASSERT_EQ(got.size(), 28u);
  EXPECT_EQ(Bytes(got.end() - 4, got.end()), Le32(0));
  EXPECT_EQ(LogLines(), std::vector<std::string>{"ZMNT:SendCmd:(결과크기=0):cmd=0x40"});
}

TEST_F(Connection, SecondInitDeletesTheLogOfTheFirstRun) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scope(clock);
  unsigned long count = 0;
  std::string address = TestAddress();
  lib_.SendCmd(address.data(), 7000, CMD_TICKER_TEXT, &count, nullptr);
  ASSERT_EQ(LogLines().size(), 1u);
  CZMNTP second;
  second.ZMNTP_Init();
  EXPECT_FALSE(std::filesystem::exists(dir_ / "DBM.TXT"));
}

TEST_F(Connection, RecvWithTimeoutCountsIdleTimeFromTheLastByte) {
  // Bytes trickle in for longer than the idle time in all, but never pause that long.
  Bytes body(12, 9);
  Conversation c{24, Framed(body)};
  c.pieceSize = 1;  // 16 pieces, 20 ms apart: about 320 ms in all
  Timeouts().replyIdleMs = 150;
  ScriptedPeer peer(TestAddress(), {c});
  Outcome o = Run(peer, CMD_TICKER_TEXT, nullptr);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.data, body);
}

TEST_F(Connection, TricklingServerMeetsTheRequestDeadline) {
  // One byte every 20 ms never leaves the connection idle, but the whole request is
  // bounded: it fails with result 3 and its own log line long before the reply is in.
  Conversation c{24, Framed(Bytes(5000, 7))};
  c.pieceSize = 1;  // about 100 s in all
  Timeouts().replyIdleMs = 10000;
  Timeouts().requestDeadlineMs = 300;
  ScriptedPeer peer(TestAddress(), {c});
  Outcome o = Run(peer, CMD_TICKER_TEXT, nullptr);
  EXPECT_EQ(o.result, 3);
  EXPECT_EQ(o.count, 0u);
  const auto log = LogLines();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "ZMNT:deadline:=300");
  // The length word or the body, whichever was still coming.
  EXPECT_THAT(log[1], ::testing::EndsWith(":cmd=0x1:recv=-1"));
}

}  // namespace
}  // namespace zmntp::testing
