// The player: frames from the stream reach the window as the decoder makes them, the
// receiver survives bad framing, and the renderer's pace follows the backlog.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "cctv_player.h"
#include "connection.h"
#include "video_test_support.h"

namespace zmntp::testing {
namespace {

TEST(RendererPace, MovesBy30msWithTheBacklog) {
  struct Case {
    std::uint32_t pause;
    long backlog;
    std::uint32_t next;
  };
  const Case cases[] = {
      {500, 0, 530},   {500, 3, 530},    {500, -3, 530},  {500, 4, 470},   {500, -4, 470},
      {980, 1, 1010},  {1010, 1, 1010},  {1000, 0, 1000}, {110, 50, 80},   {100, 50, 100},
      {80, 50, 80},    {80, 2, 110},
  };
  for (const Case& c : cases) EXPECT_EQ(NextPause(c.pause, c.backlog), c.next) << c.pause << " " << c.backlog;
}

TEST(RendererPace, SettlesBetween80And1010) {
  std::uint32_t pause = kFirstPauseMs;
  for (int i = 0; i < 100; ++i) pause = NextPause(pause, 40);
  EXPECT_EQ(pause, 80u);
  for (int i = 0; i < 100; ++i) pause = NextPause(pause, 1);
  EXPECT_EQ(pause, 1010u);
}

// A player reading one end of a socket pair; the test writes the stream into the other.
class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Timeouts();
    Timeouts().streamIdleMs = 100;
    Timeouts().renderFirstPauseMs = 20;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    stream_ = Socket(fds[0]);
    peer_ = fds[1];
  }
  void TearDown() override {
    player_.Stop();
    if (peer_ >= 0) ::close(peer_);
    Timeouts() = saved_;
  }

  void Send(const std::vector<std::uint8_t>& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
      ssize_t n = ::send(peer_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
      ASSERT_GT(n, 0);
      at += static_cast<std::size_t>(n);
    }
  }
  // Waits (bounded) until the window holds `n` pictures and the renderer has shown
  // `frames` frames.
  void WaitFor(std::size_t n, long frames) {
    for (int i = 0; i < 1000 && (window_->Pictures().size() < n || player_.shown() < frames); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  NetTimeouts saved_;
  ScopedWindow window_;
  Socket stream_;
  int peer_ = -1;
  CctvPlayer player_;
};

TEST_F(Player, RefusesFormatsOutside1To5) {
  EXPECT_EQ(player_.Start(window_.handle(), 0, stream_), -1);
  EXPECT_EQ(player_.Start(window_.handle(), 6, stream_), -1);
}

TEST_F(Player, EveryFrameReachesTheWindowAsTheDecoderMakesIt) {
  auto pictures = StreamPictures("qcif_inter_q5.263");
  ASSERT_EQ(pictures.size(), 10u);
  pictures.resize(6);
  const auto expected = DecodeAll(pictures);
  ASSERT_EQ(player_.Start(window_.handle(), 2, stream_), 0);
  for (const auto& p : pictures) Send(StreamFrame(p));
  WaitFor(6, 6);
  player_.Stop();
  EXPECT_EQ(player_.received(), 6);
  EXPECT_EQ(player_.shown(), 6);
  EXPECT_EQ(window_->width(), 176);
  EXPECT_TRUE(window_->Pictures() == expected);
  EXPECT_TRUE(window_->Texts().empty());
}

// Streams with faults in front of one good frame: the window must get that frame's
// picture and nothing else.
TEST_F(Player, BadFramingCostsOnlyTheFramesItTouches) {
  const auto pictures = StreamPictures("qcif_intra_q2.263");
  ASSERT_EQ(pictures.size(), 2u);
  const auto good = StreamFrame(pictures[1]);
  const auto expected = DecodeAll({pictures[1]});
  std::vector<std::uint8_t> oversize(176 * 144 + 1, 0);
  std::copy(good.begin(), good.end(), oversize.begin() + 100);  // a frame inside must not be taken
  const auto first = StreamFrame(pictures[0]);

  struct Case {
    const char* name;
    std::vector<std::uint8_t> before;  // sent first
    std::vector<std::uint8_t> after;   // sent after a stall longer than the idle time (when not empty)
    long frames;                       // frames the receiver passes on
    long dropped;
  };
  std::vector<std::uint8_t> type2(FrameHeader(2, 500));
  std::vector<std::uint8_t> firstHalf(first.begin(), first.begin() + 2000);
  std::vector<std::uint8_t> secondHalf(first.begin() + 2000, first.end());
  auto plus = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const Case cases[] = {
      // The 500 bytes after a type-2 header are not read: the good frame follows at once.
      {"type 2 with length 500", plus(type2, good), {}, 2, 0},
      {"frame longer than a slot", plus(plus(FrameHeader(1, 176 * 144 + 1), oversize), good), {}, 1, 1},
      {"stall inside a picture", firstHalf, plus(secondHalf, good), 1, 1},
      {"stall inside a header", std::vector<std::uint8_t>(first.begin(), first.begin() + 5),
       plus(std::vector<std::uint8_t>(first.begin() + 5, first.end()), good), 1, 1},
      {"stall between frames", plus(type2, {}), good, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedWindow window;
    CctvPlayer player;
    ASSERT_EQ(player.Start(window.handle(), 2, stream_), 0);
    Send(c.before);
    if (!c.after.empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      Send(c.after);
    }
    for (int i = 0; i < 1000 && (window->Pictures().empty() || player.shown() < c.frames); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    player.Stop();
    EXPECT_EQ(player.received(), c.frames);
    EXPECT_EQ(player.shown(), c.frames);
    EXPECT_EQ(player.dropped(), c.dropped);
    EXPECT_TRUE(window->Pictures() == expected);
    EXPECT_TRUE(window->Texts().empty());
  }
}

TEST_F(Player, StopsWhateverTheStreamIsDoing) {
  // Silent stream.
  ASSERT_EQ(player_.Start(window_.handle(), 2, stream_), 0);
  player_.Stop();
  // A stream stalled inside a frame.
  ASSERT_EQ(player_.Start(window_.handle(), 2, stream_), 0);
  Send(FrameHeader(1, 5000));
  Send(std::vector<std::uint8_t>(100, 7));
  player_.Stop();
  // A stream trickling a frame a byte at a time, never idle long enough to time out.
  ASSERT_EQ(player_.Start(window_.handle(), 2, stream_), 0);
  Send(FrameHeader(1, 20000));
  std::atomic<bool> trickling{true};
  std::thread trickle([&] {
    std::uint8_t byte = 0x55;
    while (trickling) {
      ::send(peer_, &byte, 1, MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  player_.Stop();
  trickling = false;
  trickle.join();
  // A closed stream.
  ASSERT_EQ(player_.Start(window_.handle(), 2, stream_), 0);
  ::close(peer_);
  peer_ = -1;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  player_.Stop();
  EXPECT_TRUE(window_->Pictures().empty());
}

TEST_F(Player, FullQueueHoldsTheReceiverUntilTheRendererCatchesUp) {
  // More frames than the queue has slots, sent at once: none is lost.
  const auto pictures = StreamPictures("qcif_intra_q2.263");
  // The renderer takes a frame every 80 ms: the queue fills within the first second.
  Timeouts().renderFirstPauseMs = 80;
  ASSERT_EQ(player_.Start(0, 2, stream_), 0);
  std::thread writer([&] {
    for (std::size_t i = 0; i < kFrameQueueSlots + 20; ++i) Send(StreamFrame(pictures[i % 2]));
  });
  for (int i = 0; i < 3000 && player_.received() < static_cast<long>(kFrameQueueSlots) + 20; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  writer.join();
  player_.Stop();
  EXPECT_EQ(player_.received(), static_cast<long>(kFrameQueueSlots) + 20);
  EXPECT_EQ(player_.dropped(), 0);
}

}  // namespace
}  // namespace zmntp::testing
