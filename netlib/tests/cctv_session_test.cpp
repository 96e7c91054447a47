// Codes 160 and 161: the relay dialogue, the stream, and every way the negotiation can
// fail, each leaving one log line and a session that code 161 still ends.
#include <chrono>
#include <cstring>
#include <thread>

#include "cctv_session.h"
#include "kavrel/clock.h"
#include "library_fixture.h"
#include "video_peers.h"
#include "protocol/video.h"
#include "video_test_support.h"

namespace zmntp::testing {
namespace {

using Then = Conversation::Then;
constexpr std::uint16_t kVideoPort = 6100;

Bytes VideoHeader(std::uint8_t service, std::uint8_t operation, std::uint32_t length) {
  return Concat({{service, operation}, Le32(length)});
}

// The relay's answer naming a video server.
Bytes Accepted(const std::string& address, std::uint32_t port) {
  Bytes text(24, 0);
  std::copy(address.begin(), address.end(), text.begin());
  return Concat({Le32(1), Le32(0), text, Le32(port)});
}

class VideoSession : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    Timeouts().relayReplyIdleMs = 300;
    Timeouts().relayAddressIdleMs = 200;
    Timeouts().streamIdleMs = 200;
    Timeouts().sessionPollMs = 10;
    Timeouts().waitForStopPollMs = 10;
    Timeouts().renderFirstPauseMs = 20;
  }
  void TearDown() override {
    StopVideoSession();
    LibraryTest::TearDown();
  }

  int Send(unsigned long code, Bytes* data) {
    unsigned long count = 5;
    int result = lib_.SendCmd(address_.data(), 7000, code, &count, data ? data->data() : nullptr);
    EXPECT_EQ(count, 0u);
    return result;
  }
  // A stop during the negotiation ends it quietly: tests of its failures wait for them.
  static void WaitForFailure() {
    ASSERT_TRUE(WaitUntil([] { return CurrentVideoSessionPhase() == VideoSessionPhase::WaitingForStop; }));
  }

  std::string address_ = TestAddress();
};

TEST_F(VideoSession, StopWithoutASessionDoesNothing) {
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_STOP, nullptr), 0);
  EXPECT_FALSE(VideoSessionRunning());
  EXPECT_TRUE(LogLines().empty());
  // Nor does a start without a request.
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_START, nullptr), 0);
  EXPECT_FALSE(VideoSessionRunning());
}

TEST_F(VideoSession, RelayDialogueOpensTheStreamAndPicturesReachTheWindow) {
  const auto pictures = StreamPictures("qcif_inter_q5.263");
  const std::vector<std::vector<std::uint8_t>> two(pictures.begin(), pictures.begin() + 2);
  Bytes trailing = Le32(0);
  ScriptedPeer relay(address_, {{10, Concat({Accepted(address_, kVideoPort), trailing, trailing})}}, protocol::kRelayPort);
  ScriptedPeer video(address_, {{6, Concat({StreamFrame(two[0]), StreamFrame(two[1])})}}, kVideoPort);
  ScopedWindow window;

  Bytes request = StartRequest(window.handle(), 12, address_);
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_START, &request), 0);
  EXPECT_TRUE(VideoSessionRunning());
  for (int i = 0; i < 500 && window->Pictures().size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_STOP, nullptr), 0);
  EXPECT_FALSE(VideoSessionRunning());

  EXPECT_TRUE(window->Pictures() == DecodeAll(two));
  relay.Finish();
  video.Finish();
  EXPECT_EQ(relay.Received(),
            std::vector<Bytes>{Concat({VideoHeader(3, 1, 4), ToBytes(std::string("12\0\0", 4)), VideoHeader(3, 2, 0)})});
  EXPECT_EQ(video.Received(), std::vector<Bytes>{VideoHeader(2, 1, 0)});
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(VideoSession, EveryFailureLeavesOneLineAndStopStillReturns) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scope(clock);
  Bytes eight = Concat({Le32(0), Le32(0)});
  struct Case {
    const char* name;
    std::uint32_t camera;
    std::vector<Conversation> relay;  // empty: nobody listens
    std::string log;
    Bytes relayReceived;
  };
  const Bytes ask = Concat({VideoHeader(3, 1, 4), ToBytes(std::string("7\0\0\0", 4))});
  const Bytes end = VideoHeader(3, 2, 0);
  const Case cases[] = {
      {"relay down", 7, {}, "ZMNT:connect:=-1", {}},
      {"camera refused", 7, {{10, Concat({Le32(0), Le32(0), eight})}}, "ZMNT:recv1:=8", Concat({ask, end})},
      {"refused, no closing bytes", 7, {{10, Concat({Le32(0), Le32(0)})}}, "ZMNT:recv1:=-1", Concat({ask, end})},
      {"relay never answers", 7, {{10, {}}}, "ZMNT:recv1:=-1", ask},
      {"accepts, then no address", 7, {{10, Concat({Le32(1), Le32(0)})}}, "ZMNT:recv1:=-1", ask},
      {"accepts, then closes", 7, {{10, Concat({Le32(1), Le32(0), Bytes(10, 0x31)}), Then::Close}},
       "ZMNT:recv1:=0", ask},
      {"no video server", 7, {{10, Concat({Accepted(address_, kVideoPort), eight})}}, "ZMNT:connect:=-1",
       Concat({ask, end})},
      {"video address without its NUL", 7, {{10, Concat({Le32(1), Le32(0), Bytes(24, '1'), Le32(kVideoPort), eight})}},
       "ZMNT:connect:=-1", Concat({ask, end})},
      // Four characters carry numbers up to 9,999; a longer one would name another camera.
      {"camera number too long", 10000, {{10, {}}}, "ZMNT:send1:=-1", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ / "DBM.TXT");
    std::optional<ScriptedPeer> relay;
    if (!c.relay.empty()) relay.emplace(address_, c.relay, protocol::kRelayPort);
    Bytes request = StartRequest(0, c.camera, address_);
    EXPECT_EQ(Send(CMD_CCTV_VIDEO_START, &request), 0);
    WaitForFailure();
    EXPECT_EQ(Send(CMD_CCTV_VIDEO_STOP, nullptr), 0);
    EXPECT_FALSE(VideoSessionRunning());
    EXPECT_EQ(LogLines(), std::vector<std::string>{c.log});
    if (relay) {
      relay->Finish();
      EXPECT_EQ(relay->Received(), std::vector<Bytes>{c.relayReceived});
    }
  }
}

TEST_F(VideoSession, RelayAddressLongerThanDottedIPv4IsNotUsed) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scope(clock);
  // Sixteen characters: cut to fifteen it would be another valid address.
  Bytes request = StartRequest(0, 7, "127.000.000.0011");
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_START, &request), 0);
  WaitForFailure();
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_STOP, nullptr), 0);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"ZMNT:connect:=-1"});
}

TEST_F(VideoSession, SecondStartEndsTheFirstSession) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scope(clock);
  Bytes request = StartRequest(0, 7, address_);  // nobody listens
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_START, &request), 0);
  WaitForFailure();
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_START, &request), 0);
  WaitForFailure();
  EXPECT_TRUE(VideoSessionRunning());
  EXPECT_EQ(Send(CMD_CCTV_VIDEO_STOP, nullptr), 0);
  EXPECT_FALSE(VideoSessionRunning());
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"ZMNT:connect:=-1", "ZMNT:connect:=-1"}));
}

}  // namespace
}  // namespace zmntp::testing
