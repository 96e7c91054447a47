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
    return protocol::ReadCameraText(b);
  };
  EXPECT_EQ(parse("7"), 7u);
  EXPECT_EQ(parse("12"), 12u);
  EXPECT_EQ(parse("9999"), 9999u);
  EXPECT_EQ(parse("0"), 0u);
  EXPECT_EQ(parse(""), std::nullopt);
  EXPECT_EQ(parse("1a"), std::nullopt);
  EXPECT_EQ(parse("-1"), std::nullopt);
  Bytes gap = {'1', 0, '2', 0};
  EXPECT_EQ(protocol::ReadCameraText(gap), std::nullopt);
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

// The sample cameras' clips are live scenes: about ten seconds of QCIF pictures, one
// intra picture and then inter pictures only, each different from the one before.
TEST(CameraClips, SampleClipsAreShortMovingScenes) {
  const std::filesystem::path folder = std::filesystem::path(KAVREL_SOURCE_ROOT) / "data" / "cctv";
  std::size_t clips = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".263") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++clips;
    const Clip clip = SplitClip(ReadFile(entry.path()), std::chrono::milliseconds(100));
    ASSERT_GE(clip.pictures.size(), 80u);
    ASSERT_LE(clip.pictures.size(), 160u);
    std::chrono::microseconds length{0};
    for (std::size_t k = 0; k < clip.pictures.size(); ++k) {
      const Bytes& p = clip.pictures[k];
      ASSERT_GT(p.size(), 5u);
      EXPECT_EQ((p[4] >> 2) & 7, 2) << k;             // source format: QCIF
      EXPECT_EQ((p[4] >> 1) & 1, k == 0 ? 0 : 1) << k;  // picture coding type: intra first, then inter
      EXPECT_EQ(p[4] & 1, 0) << k;                     // no optional modes
      if (k > 0) {
        EXPECT_NE(clip.pictures[k], clip.pictures[k - 1]) << k;
      }
      length += clip.intervals[k];
    }
    EXPECT_GE(length, std::chrono::seconds(8));
    EXPECT_LE(length, std::chrono::seconds(12));
  }
  EXPECT_EQ(clips, 26u);
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

TEST_F(Streamer, StreamsNothingWithoutATicketOrAStartHeader) {
  AddCamera(7, "qcif_ap_q10.263");
  StartServer();
  // No camera named: no port listens.
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  fds_.push_back(fd);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(6100);
  ::inet_pton(AF_INET, address_.c_str(), &addr.sin_addr);
  EXPECT_NE(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  // Named, but the start header is wrong.
  auto named = AskRelay(7);
  ASSERT_TRUE(named);
  fd = Connect(named->port);
  SendAll(fd, Header(2, 2, 0));
  EXPECT_TRUE(ClosedByPeer(fd));
}

// Viewers are told apart by the port the relay named, not by their address: one
// address that asks for several cameras before it connects (or several viewers behind
// one router) gets each camera on its own connection, whatever the order it connects in.
TEST_F(Streamer, EachTicketStreamsItsOwnCameraFromOneAddress) {
  const char* clips[] = {"qcif_inter_q5.263", "qcif_ap_q10.263", "qcif_pan_q6.263"};
  for (std::uint32_t camera = 1; camera <= 3; ++camera) AddCamera(camera, clips[camera - 1]);
  StartServer();
  std::vector<std::pair<std::uint32_t, std::uint16_t>> tickets;
  for (std::uint32_t camera : {1u, 2u, 3u, 2u, 1u, 3u}) {
    auto named = AskRelay(camera);
    ASSERT_TRUE(named) << camera;
    EXPECT_EQ(named->address, address_);
    tickets.emplace_back(camera, named->port);
  }
  std::reverse(tickets.begin(), tickets.end());
  for (const auto& [camera, port] : tickets) {
    SCOPED_TRACE(camera);
    const Clip clip = SplitClip(ReadFile(StreamFile(clips[camera - 1])), std::chrono::milliseconds(100));
    EXPECT_EQ(FirstPicture(port), clip.pictures.front());
  }
}

// A connection from another address to a ticket's port is not the viewer it was made
// for: it gets nothing, and the viewer still gets the camera.
TEST_F(Streamer, TicketServesOnlyTheAddressTheRelayAnswered) {
  AddCamera(7, "qcif_ap_q10.263");
  StartServer();
  auto named = AskRelay(7);
  ASSERT_TRUE(named);
  std::string stranger = address_.substr(0, address_.rfind('.') + 1) + (address_.back() == '9' ? "8" : "9");
  EXPECT_TRUE(ClosedByPeer(Connect(named->port, stranger)));
  const Clip clip = SplitClip(ReadFile(StreamFile("qcif_ap_q10.263")), std::chrono::milliseconds(100));
  EXPECT_EQ(FirstPicture(named->port), clip.pictures.front());
}

// One address holding many silent relay connections takes only its share: its further
// connections are closed at once, and a client at another address is still answered.
TEST_F(Relay, OneAddressTakesOnlyItsShare) {
  AddCamera(7, "qcif_inter_q5.263");
  StartServer(/*perAddress=*/4, /*relayCap=*/8);
  std::vector<int> held;
  for (int i = 0; i < 4; ++i) held.push_back(Connect(6000));
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(ClosedByPeer(Connect(6000))) << i;
  std::string other = address_.substr(0, address_.rfind('.') + 1) + (address_.back() == '9' ? "8" : "9");
  auto named = AskRelay(7, 6000, other);
  ASSERT_TRUE(named);
  EXPECT_EQ(named->address, address_);
  // The silent ones end at the idle time-out.
  for (int fd : held) EXPECT_TRUE(ClosedByPeer(fd));
}

}  // namespace
}  // namespace kavreld::testing
