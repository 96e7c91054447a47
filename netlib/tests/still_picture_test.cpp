// Still pictures (code 16, from the server or the bulk cache) decoded while a video
// session's renderer decodes its stream: each has a decoder of its own, so neither
// disturbs the other.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "cctv_player.h"
#include "connection.h"
#include "still_picture.h"
#include "video_test_support.h"

namespace zmntp::testing {
namespace {

TEST(StillPicture, DecodedWhileAVideoPlaysEqualsDecodedAlone) {
  std::ifstream in(std::string(KAVREL_SOURCE_ROOT) + "/data/cctv/3.263", std::ios::binary);
  const std::vector<std::uint8_t> coded{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GT(coded.size(), 100u);
  const std::vector<std::uint8_t> still = DecodeStillPicture(coded);

  // Thirty pictures of an Advanced Prediction stream, decoded alone first.
  const auto once = StreamPictures("qcif_ap_q10.263");
  ASSERT_EQ(once.size(), 10u);
  std::vector<std::vector<std::uint8_t>> pictures;
  for (int i = 0; i < 3; ++i) pictures.insert(pictures.end(), once.begin(), once.end());
  const auto expected = DecodeAll(pictures);

  const NetTimeouts saved = Timeouts();
  Timeouts().streamIdleMs = 100;
  Timeouts().renderFirstPauseMs = 20;
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  Socket stream(fds[0]);
  ScopedWindow window;
  CctvPlayer player;
  ASSERT_EQ(player.Start(window.handle(), 2, stream), 0);
  std::vector<std::uint8_t> bytes;
  for (const auto& p : pictures) {
    const auto frame = StreamFrame(p);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t n = ::send(fds[1], bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    ASSERT_GT(n, 0);
    at += static_cast<std::size_t>(n);
  }

  // At least 200 still pictures, and more until the renderer has shown every frame
  // (bounded in case it never does).
  const long frames = static_cast<long>(pictures.size());
  int stills = 0, wrong = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while ((stills < 200 || player.shown() < frames) && std::chrono::steady_clock::now() < deadline) {
    if (DecodeStillPicture(coded) != still) ++wrong;
    ++stills;
  }
  player.Stop();
  ::close(fds[1]);
  Timeouts() = saved;

  EXPECT_EQ(wrong, 0) << "of " << stills;
  EXPECT_GE(stills, 200);
  EXPECT_EQ(player.shown(), frames);
  EXPECT_TRUE(window->Pictures() == expected);
  EXPECT_TRUE(window->Texts().empty());
}

}  // namespace
}  // namespace zmntp::testing
