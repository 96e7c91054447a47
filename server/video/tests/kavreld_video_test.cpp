// The same session against the kavreld program, on the sample data's camera clips
// (built only where kavreld is).
#include <sys/socket.h>

#include <chrono>

#include "camera_clips.h"
#include "programs.h"
#include "video_server_fixture.h"

namespace kavreld::testing {
namespace {

class Kavreld : public VideoServerTest {
 protected:
  void TearDown() override {
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    VideoServerTest::TearDown();
  }
  // True once something accepts on the address at `port` (a few seconds at most).
  bool Listening(std::uint16_t port) {
    for (int i = 0; i < 250; ++i) {
      int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in addr{};
      addr.sin_family = AF_INET;
      addr.sin_port = htons(port);
      ::inet_pton(AF_INET, address_.c_str(), &addr.sin_addr);
      bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
      ::close(fd);
      if (up) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
};

TEST_F(Kavreld, SessionShowsTheSampleCameraAndStopReturns) {
#ifndef KAVRELD_PATH
  GTEST_SKIP() << "kavreld is not part of this build";
#else
  const char* home = std::getenv("KAVREL_HOME");
  ASSERT_NE(home, nullptr);
  const std::filesystem::path clip = std::filesystem::path(home) / "cctv" / "1.263";
  ASSERT_TRUE(std::filesystem::exists(clip));
  std::filesystem::create_directories(dir_ / "cwd");
  const auto decoded = DecodeClip(clip);
  ASSERT_FALSE(decoded.empty());

  Background server({KAVRELD_PATH, "--listen", address_, "--port", "7000", "--relay-port", "6000", "--video-port",
                     "6100", "--data", home, "--db", (dir_ / "members.db").string()},
                    dir_ / "kavreld.txt");
  ASSERT_TRUE(server.started());
  if (!Listening(6000)) {
    Bytes log = ReadFile(dir_ / "kavreld.txt");
    FAIL() << "kavreld did not start: " << std::string(log.begin(), log.end());
  }

  std::filesystem::current_path(dir_ / "cwd");
  LibraryViewer viewer;
  EXPECT_EQ(viewer.Start(1, address_).first, 0);
  EXPECT_TRUE(viewer.WaitForPictures(2));
  EXPECT_EQ(viewer.Stop().first, 0);
  CheckPictures(viewer.Pictures(), decoded);
  // Camera 4242 has no clip: the relay refuses it (a stop may come at any time, so the
  // refusal is awaited before it).
  EXPECT_EQ(viewer.Start(4242, address_).first, 0);
  EXPECT_TRUE(WaitForText(dir_ / "cwd" / "DBM.TXT", "ZMNT:recv1:=8"));
  EXPECT_EQ(viewer.Stop().first, 0);
#endif
}

// Code 34 and the relay name the address kavreld listens on (here not 127.0.0.1), or
// the one --public-address gives; --idle-timeout closes silent relay connections too.
TEST_F(Kavreld, NamesItsOwnAddressOrThePublicOne) {
#ifndef KAVRELD_PATH
  GTEST_SKIP() << "kavreld is not part of this build";
#else
  const char* home = std::getenv("KAVREL_HOME");
  ASSERT_NE(home, nullptr);
  // Code 34 from a raw client: header, reply length and the 80-byte text, acknowledgement.
  auto item34 = [&] {
    int fd = Connect(7000);
    Bytes request(24, 0);
    request[0] = 34;
    SendAll(fd, request);
    Bytes reply = Receive(fd, 4 + 80);
    SendAll(fd, Bytes(4, 0));
    if (reply.size() != 84) return std::string("(no reply)");
    return std::string(reinterpret_cast<const char*>(reply.data()) + 4);
  };
  for (const std::string& public_address : {std::string(), std::string("192.0.2.17")}) {
    SCOPED_TRACE(public_address);
    std::vector<std::string> args = {KAVRELD_PATH, "--listen", address_, "--data", home, "--db",
                                     (dir_ / "members.db").string(), "--idle-timeout", "300"};
    if (!public_address.empty()) args.insert(args.end(), {"--public-address", public_address});
    Background server(args, dir_ / "kavreld.txt");
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(Listening(6000) && Listening(7000));
    const std::string expected = public_address.empty() ? address_ : public_address;
    EXPECT_EQ(item34(), expected);
    auto named = AskRelay(1);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->address, expected);
    // The ticket's port listens on the --listen address whatever is named.
    const Clip clip = SplitClip(ReadFile(std::filesystem::path(home) / "cctv" / "1.263"), std::chrono::milliseconds(100));
    EXPECT_EQ(FirstPicture(named->port), clip.pictures.front());
    int silent = Connect(6000);
    EXPECT_TRUE(ClosedByPeer(silent));
  }
#endif
}

}  // namespace
}  // namespace kavreld::testing
