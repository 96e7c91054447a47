// The relay dialogue and the stream, byte for byte, from a raw client.
#include <cstring>

#include "camera_clips.h"
#include "video_server_fixture.h"

namespace kavreld::testing {
namespace {

Bytes Text(const char* s) {
  Bytes b(4, 0);
  std::memcpy(b.data(), s, std::strlen(s));
  return b;
}

TEST(CameraText, DigitsThenNulsOnly) {
  auto parse = [](const char* s) {
    Bytes b = Text(s);
    return ParseCameraText(b.data());
  };
  EXPECT_EQ(parse("7"), 7u);
  EXPECT_EQ(parse("12"), 12u);
  EXPECT_EQ(parse("9999"), 9999u);
  EXPECT_EQ(parse("0"), 0u);
  EXPECT_EQ(parse(""), std::nullopt);
  EXPECT_EQ(parse("1a"), std::nullopt);
  EXPECT_EQ(parse("-1"), std::nullopt);
  Bytes gap = {'1', 0, '2', 0};
  EXPECT_EQ(ParseCameraText(gap.data()), std::nullopt);
}

TEST(CameraClips, PicturesArePacedByTheirTemporalReferences) {
  // Three pictures with temporal references 0, 3 and 5 (30000/1001 Hz).
  auto picture = [](int tr, std::size_t size) {
    Bytes p(size, 0x55);
    p[0] = 0;
    p[1] = 0;
    p[2] = static_cast<std::uint8_t>(0x80 | (tr >> 6));
    p[3] = static_cast<std::uint8_t>((tr & 0x3F) << 2);
    return p;
  };
  Bytes stream = {0xFF, 0xFF};  // bytes before the first picture are not a picture
  for (const auto& [tr, size] : std::vector<std::pair<int, std::size_t>>{{0, 10}, {3, 20}, {5, 30}}) {
    Bytes p = picture(tr, size);
    stream.insert(stream.end(), p.begin(), p.end());
  }
  const std::chrono::microseconds still(100000);
  Clip clip = SplitClip(stream, still);
  ASSERT_EQ(clip.pictures.size(), 3u);
  EXPECT_EQ(clip.pictures[1], picture(3, 20));
  EXPECT_EQ(clip.intervals, (std::vector<std::chrono::microseconds>{
                                std::chrono::microseconds(100100), std::chrono::microseconds(66733),
                                std::chrono::microseconds(66733)}));
  // One picture: the still interval.
  Clip one = SplitClip(picture(9, 12), still);
  EXPECT_EQ(one.intervals, std::vector<std::chrono::microseconds>{still});
  // No picture at all.
  EXPECT_TRUE(SplitClip(Bytes(100, 0xFF), still).pictures.empty());
  // A temporal reference that wraps past 255 still steps forward.
  Bytes wrap = picture(254, 10);
  Bytes next = picture(1, 10);
  wrap.insert(wrap.end(), next.begin(), next.end());
  EXPECT_EQ(SplitClip(wrap, still).intervals[0], std::chrono::microseconds(3 * 1001000 / 30));
}

class Relay : public VideoServerTest {};

TEST_F(Relay, NamesTheVideoServerForACameraWithAClip) {
  AddCamera(7, "qcif_inter_q5.263");
  StartServer();
  int fd = Connect(6000);
  SendAll(fd, Header(3, 1, 4));
  SendAll(fd, Text("7"));
  Bytes expected(8 + 24 + 4, 0);
  expected[0] = 1;
  std::memcpy(expected.data() + 8, address_.data(), address_.size());
  kavrel::WriteU32(expected.data(), 32, 6100);
  EXPECT_EQ(Receive(fd, expected.size()), expected);
  SendAll(fd, Header(3, 2, 0));
  EXPECT_EQ(Receive(fd, 8), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(ClosedByPeer(fd));
}

TEST_F(Relay, RefusesUnknownCamerasAndBadRequests) {
  AddCamera(7, "qcif_inter_q5.263");
  StartServer();
  for (const char* camera : {"8", "x", "70000"}) {
    SCOPED_TRACE(camera);
    int fd = Connect(6000);
    SendAll(fd, Header(3, 1, 4));
    Bytes text(4, 0);
    std::memcpy(text.data(), camera, std::min<std::size_t>(4, std::strlen(camera)));
    SendAll(fd, text);
    EXPECT_EQ(Receive(fd, 8), Bytes(8, 0));
    SendAll(fd, Header(3, 2, 0));
    EXPECT_EQ(Receive(fd, 8), Bytes(8, 0));
    EXPECT_TRUE(ClosedByPeer(fd));
  }
  // Not a camera request: closed without an answer.
  int fd = Connect(6000);
  SendAll(fd, Header(3, 9, 4));
  SendAll(fd, Text("7"));
  EXPECT_TRUE(ClosedByPeer(fd));
}

class Streamer : public VideoServerTest {};

TEST_F(Streamer, LoopsTheClipOfTheCameraTheRelayNamed) {
  AddCamera(7, "qcif_ap_q10.263");
  StartServer();
  int relay = Connect(6000);
  SendAll(relay, Header(3, 1, 4));
  SendAll(relay, Text("7"));
  ASSERT_EQ(Receive(relay, 36).size(), 36u);

  const Clip clip = SplitClip(ReadFile(StreamFile("qcif_ap_q10.263")), std::chrono::milliseconds(100));
  ASSERT_EQ(clip.pictures.size(), 10u);
  int fd = Connect(6100);
  SendAll(fd, Header(2, 1, 0));
  // Once round the clip and into the second round.
  for (std::size_t k = 0; k < clip.pictures.size() + 2; ++k) {
    SCOPED_TRACE(k);
    const Bytes& picture = clip.pictures[k % clip.pictures.size()];
    Bytes header = Receive(fd, 8);
    ASSERT_EQ(header.size(), 8u);
    EXPECT_EQ(kavrel::ReadU32(header.data(), 0), 1u);
    ASSERT_EQ(kavrel::ReadU32(header.data(), 4), picture.size());
    EXPECT_EQ(Receive(fd, picture.size()), picture);
  }
  // The client closes: the stream ends.
  ::shutdown(fd, SHUT_RDWR);
  for (int i = 0; i < 200 && streamer_->ActiveStreams() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(streamer_->ActiveStreams(), 0u);
}

TEST_F(Streamer, StreamsNothingWithoutACameraNamedOrAStartHeader) {
  AddCamera(7, "qcif_ap_q10.263");
  StartServer();
  int fd = Connect(6100);
  SendAll(fd, Header(2, 1, 0));
  EXPECT_TRUE(ClosedByPeer(fd));

  // Named, but the start header is wrong.
  int relay = Connect(6000);
  SendAll(relay, Header(3, 1, 4));
  SendAll(relay, Text("7"));
  ASSERT_EQ(Receive(relay, 36).size(), 36u);
  fd = Connect(6100);
  SendAll(fd, Header(2, 2, 0));
  EXPECT_TRUE(ClosedByPeer(fd));
}

}  // namespace
}  // namespace kavreld::testing
