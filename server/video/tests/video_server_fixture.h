// The camera relay and the video server running on a loopback address of the test's
// own, on one Asio thread, with a clip folder of the test's own.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_relay.h"
#include "kavrel/little_endian.h"
#include "video_streamer.h"

namespace kavreld::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string TestAddress() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::size_t h = std::hash<std::string>{}(std::string("video.") + info->test_suite_name() + "." + info->name());
  return "127." + std::to_string(1 + h % 250) + "." + std::to_string((h >> 8) % 250) + "." +
         std::to_string(1 + (h >> 16) % 250);
}

inline Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::filesystem::path StreamFile(const std::string& name) {
  return std::filesystem::path(KAVREL_SOURCE_ROOT) / "h263dec/tests/streams" / name;
}

class VideoServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("kavreld-video-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "clips");
  }
  void TearDown() override {
    StopServer();
    std::filesystem::remove_all(dir_);
  }

  // Camera `camera` shows the conformance stream `name`.
  void AddCamera(std::uint32_t camera, const std::string& name) {
    std::filesystem::copy_file(StreamFile(name), dir_ / "clips" / (std::to_string(camera) + ".263"));
  }

  // `perAddress` connections of each service from one address, `relayCap` relay
  // dialogues in all.
  void StartServer(std::size_t perAddress = kDefaultConnectionsPerAddress, std::size_t relayCap = 256) {
    VideoStreamerOptions video;
    video.address = address_;
    video.clips = dir_ / "clips";
    video.idleTimeout = std::chrono::milliseconds(2000);
    video.maxPerAddress = perAddress;
    streamer_.emplace(io_, video, nullptr);
    CameraRelayOptions relay;
    relay.address = address_;
    relay.idleTimeout = std::chrono::milliseconds(2000);
    relay.maxPerAddress = perAddress;
    relay.maxConnections = relayCap;
    relay_.emplace(io_, *streamer_, relay, nullptr);
    std::string error;
    ASSERT_TRUE(streamer_->Start(error)) << error;
    ASSERT_TRUE(relay_->Start(error)) << error;
    thread_ = std::thread([this] { io_.run(); });
  }
  void StopServer() {
    if (!thread_.joinable()) return;
    io_.stop();
    thread_.join();
    relay_.reset();
    streamer_.reset();
  }

  // A raw client (from the test's address, or from `source`).
  int Connect(std::uint16_t port, const std::string& source = {}) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (!source.empty()) {
      sockaddr_in from{};
      from.sin_family = AF_INET;
      ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
      EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    ::inet_pton(AF_INET, address_.c_str(), &addr.sin_addr);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    fds_.push_back(fd);
    return fd;
  }
  static void SendAll(int fd, const Bytes& bytes) {
    EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
  }
  // Exactly n bytes, or fewer when the peer closed or was silent for two seconds.
  static Bytes Receive(int fd, std::size_t n) {
    Bytes out;
    std::uint8_t buf[4096];
    while (out.size() < n) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 2000) != 1) break;
      ssize_t r = ::recv(fd, buf, std::min(sizeof buf, n - out.size()), 0);
      if (r <= 0) break;
      out.insert(out.end(), buf, buf + r);
    }
    return out;
  }
  static bool ClosedByPeer(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 3000) != 1) return false;
    std::uint8_t b;
    ssize_t r = ::recv(fd, &b, 1, 0);
    return r == 0 || (r < 0 && errno == ECONNRESET);
  }
  static Bytes Header(std::uint8_t service, std::uint8_t operation, std::uint32_t length) {
    Bytes h = {service, operation, 0, 0, 0, 0};
    kavrel::WriteU32(h.data(), 2, length);
    return h;
  }

  // What the relay names for a camera: the video server's address text and port.
  struct Named {
    std::string address;
    std::uint16_t port = 0;
  };
  // The whole relay dialogue for `camera`; nothing when the relay refuses it.
  std::optional<Named> AskRelay(std::uint32_t camera, std::uint16_t relayPort = 6000, const std::string& source = {}) {
    int fd = Connect(relayPort, source);
    SendAll(fd, Header(3, 1, 4));
    Bytes text(4, 0);
    std::string digits = std::to_string(camera);
    std::copy(digits.begin(), digits.end(), text.begin());
    SendAll(fd, text);
    Bytes status = Receive(fd, 8);
    if (status.size() != 8 || kavrel::ReadU32(status.data(), 0) != 1) return std::nullopt;
    Bytes rest = Receive(fd, 28);
    if (rest.size() != 28) return std::nullopt;
    SendAll(fd, Header(3, 2, 0));
    Receive(fd, 8);
    Named named;
    named.address.assign(reinterpret_cast<const char*>(rest.data()), 24);
    named.address.resize(named.address.find('\0') == std::string::npos ? 24 : named.address.find('\0'));
    named.port = static_cast<std::uint16_t>(kavrel::ReadU32(rest.data(), 24));
    return named;
  }

  // Starts the stream on a port the relay named and reads its first picture.
  Bytes FirstPicture(std::uint16_t port) {
    int fd = Connect(port);
    SendAll(fd, Header(2, 1, 0));
    Bytes header = Receive(fd, 8);
    if (header.size() != 8 || kavrel::ReadU32(header.data(), 0) != 1) return {};
    return Receive(fd, kavrel::ReadU32(header.data(), 4));
  }

  std::string address_ = TestAddress();
  std::filesystem::path dir_;
  asio::io_context io_;
  std::optional<VideoStreamer> streamer_;
  std::optional<CameraRelay> relay_;
  std::thread thread_;
  std::vector<int> fds_;

 public:
  ~VideoServerTest() override {
    for (int fd : fds_) ::close(fd);
  }
};

}  // namespace kavreld::testing
