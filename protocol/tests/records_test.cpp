// The protocol's records: each writer's bytes read back by its reader, fields at their
// places, and readers that never read past the span they are given.
#include <gtest/gtest.h>

#include <vector>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "protocol/commands.h"
#include "protocol/one_step_record.h"
#include "protocol/records.h"
#include "protocol/video.h"

namespace protocol {
namespace {

std::string Cp(std::string_view utf8) { return kavrel::Utf8ToCp949(utf8).value(); }

// An exact-size heap copy, so that a read past its end is caught by the sanitizer.
std::vector<std::uint8_t> Cut(std::span<const std::uint8_t> bytes, std::size_t n) {
  return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(std::min(n, bytes.size())));
}

TEST(RequestHeader, CodeAndAddressTextRoundTrip) {
  const std::uint8_t address[4] = {192, 168, 100, 200};
  auto h = WriteRequestHeader(kRelayAddress, address);
  EXPECT_EQ(kavrel::ReadU32(h.data(), 0), 34u);
  auto back = ReadRequestHeader(h);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->code, 34u);
  EXPECT_EQ(back->localAddress, "192.168.100.200");
  EXPECT_FALSE(ReadRequestHeader(Cut(h, kRequestHeaderSize - 1)));
  std::fill(h.begin() + kLocalAddressTextOffset, h.end(), '1');  // no NUL in the 20 bytes
  EXPECT_FALSE(ReadRequestHeader(h));
}

TEST(RequestBodies, SizesOfServerCodesAndCallerData) {
  struct Case {
    std::uint32_t code;
    std::optional<std::size_t> body;
    std::size_t caller;
  };
  const Case cases[] = {
      {kTickerText, 0, 0},          {kUserRegister, 124, 124},   {kUserLogin, 124, 124},
      {kRoadList, std::nullopt, 4}, {kRoadSpeed, 128, 128},      {kCameraCatalogue, std::nullopt, 0},
      {kCctvStill, 4, 4},           {kRelayAddress, 0, 0},       {kPlaceSearch, 128, 128},
      {kQuestionSend, 25, 0},       {kAnswerCheck, 21, 0},       {kRoute, 12, 12},
      {kVideoStart, std::nullopt, 24}, {kUserInfoFind, 14, 14}, {kOneStep, 732, 0},
      {kOneStepLoad, std::nullopt, 732}, {200, std::nullopt, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RequestBodySize(c.code), c.body) << c.code;
    EXPECT_EQ(CallerDataSize(c.code), c.caller) << c.code;
  }
}

TEST(Records, WritersAndReadersAgree) {
  UserRecord user{"alice", Cp("김철수"), "8001011234567", "DRIVER", "a@example.com"};
  auto u = WriteUserRecord(user);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(u.data() + 69)), "a@example.com");
  auto userBack = ReadUserRecord(u);
  ASSERT_TRUE(userBack);
  EXPECT_EQ(userBack->name, user.name);
  EXPECT_EQ(userBack->email, user.email);
  EXPECT_FALSE(ReadUserRecord(Cut(u, 123)));

  auto login = WriteLoginRecord({"bob", true});
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(login.data() + 120)), "PDA");
  EXPECT_EQ(ReadLoginRecord(login)->id, "bob");
  EXPECT_FALSE(ReadLoginRecord(WriteLoginRecord({"bob", false}))->pda);

  ServerLimits limits{{1, 2, 3, 4, 5, 6, 7}};
  EXPECT_EQ(ReadServerLimits(WriteServerLimits(limits))->values, limits.values);
  EXPECT_FALSE(ReadServerLimits(Cut(WriteServerLimits(limits), 27)));

  auto road = WriteRoadSpeedRecord({7, -1, Cp("가"), Cp("나"), Cp("남산터널")});
  EXPECT_EQ(kavrel::ReadI32(road.data(), 4), -1);
  std::vector<std::uint8_t> two(road.begin(), road.end());
  two.insert(two.end(), road.begin(), road.end() - 1);  // one whole record and a part
  auto speeds = ReadRoadSpeedRecords(two);
  ASSERT_EQ(speeds.size(), 1u);
  EXPECT_EQ(speeds[0].to, Cp("나"));
  EXPECT_EQ(ReadPointList(two), std::vector<std::string>{Cp("남산터널")});

  std::vector<std::uint8_t> route(2 * kRouteRecordSize, 0);
  WriteRouteSegmentRecord(route.data() + kRouteRecordSize, {Cp("시청"), 45, 1200, 96});
  auto legs = ReadRouteSegmentRecords(route);
  ASSERT_EQ(legs.size(), 2u);
  EXPECT_EQ(legs[1].place, Cp("시청"));
  EXPECT_EQ(legs[1].lengthM, 1200);
  EXPECT_EQ(kavrel::ReadU16(route.data(), kRouteRecordSize + 132), 96);

  EXPECT_EQ(ReadRouteQuery(WriteRouteQuery({1, 10, 20}))->to, 20u);
}

TEST(Records, SearchReplyIsBoundedByCountAndSpan) {
  std::vector<SearchResult> many;
  for (std::uint32_t i = 0; i < 60; ++i) many.push_back({"p" + std::to_string(i), 100 + i});
  auto reply = WriteSearchReply(many);
  ASSERT_EQ(reply.size(), 6604u);
  EXPECT_EQ(reply[0], 50);
  EXPECT_EQ(kavrel::ReadU32(reply.data(), 6404 + 4 * 49), 149u);
  auto back = ReadSearchReply(reply);
  ASSERT_EQ(back.size(), 50u);
  EXPECT_EQ(back[1].name, "p1");
  EXPECT_EQ(ReadSearchReply(Cut(reply, 6404 + 4 * 3)).size(), 3u);  // cut after three ids
  reply[0] = 0xFF;  // negative: none
  EXPECT_TRUE(ReadSearchReply(reply).empty());
  EXPECT_TRUE(ReadSearchReply({}).empty());
}

TEST(Records, NewsLinesDropTheirSeparators) {
  std::string text = "first\r\n\nsecond\r\n\n";
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  EXPECT_EQ(ReadNewsLines(bytes), (std::vector<std::string>{"first", "second"}));
  std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + 7);  // "first\r\n": one separator short
  EXPECT_EQ(ReadNewsLines(cut), std::vector<std::string>{"first"});
  std::vector<std::uint8_t> long_(3000, 'x');
  EXPECT_EQ(ReadNewsLines(long_).at(0).size(), kMaxNewsLineBytes);
}

TEST(Video, RelayDialogueAndFraming) {
  EXPECT_EQ(ReadVideoHeader(WriteVideoHeader(kAskCamera)), kAskCamera);
  EXPECT_FALSE(ReadVideoHeader(Cut(WriteVideoHeader(kAskCamera), 5)));
  auto text = WriteCameraText(42);
  ASSERT_TRUE(text);
  EXPECT_EQ((*text)[2], 0);
  EXPECT_EQ(ReadCameraText(*text), 42u);
  EXPECT_FALSE(WriteCameraText(10000));

  auto named = WriteVideoServer({"10.1.2.3", 7001});
  auto server = ReadVideoServer(named);
  ASSERT_TRUE(server);
  EXPECT_EQ(server->address, "10.1.2.3");
  EXPECT_EQ(server->port, 7001);
  std::fill(named.begin(), named.begin() + kVideoServerAddressSize, '9');  // no NUL: names nothing
  EXPECT_EQ(ReadVideoServer(named)->address, "");
  EXPECT_FALSE(ReadVideoServer(Cut(named, 27)));

  EXPECT_EQ(ReadFrameHeader(WriteFrameHeader({1, 500}))->PictureLength(), 500u);
  EXPECT_EQ(ReadFrameHeader(WriteFrameHeader({2, 500}))->PictureLength(), 0u);
}

TEST(Video, StartRequestTakesSixteenBytesOfAddress) {
  auto bytes = WriteVideoStartRequest({0x01020304, 12, "127.0.0.1"});
  ASSERT_EQ(bytes.size(), 24u);
  auto r = ReadVideoStartRequest(bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->window, 0x01020304u);
  EXPECT_EQ(r->camera, 12u);
  EXPECT_EQ(r->relayAddress, "127.0.0.1");
  std::fill(bytes.begin() + 8, bytes.end(), '1');  // 16 characters without a NUL
  EXPECT_EQ(ReadVideoStartRequest(bytes)->relayAddress, "");
  EXPECT_EQ(ReadVideoStartRequest(Cut(bytes, 12))->relayAddress, "");  // cut inside the text
}

}  // namespace
}  // namespace protocol
