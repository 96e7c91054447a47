// The camera relay and the video server running on a loopback address of the test's
// own, on one Asio thread, with a clip folder of the test's own.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

  void StartServer() {
    VideoStreamerOptions video;
    video.address = address_;
    video.clips = dir_ / "clips";
    video.idleTimeout = std::chrono::milliseconds(2000);
    streamer_.emplace(io_, video, nullptr);
    CameraRelayOptions relay;
    relay.address = address_;
    relay.idleTimeout = std::chrono::milliseconds(2000);
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

  // A raw client.
  int Connect(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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
    return ::recv(fd, &b, 1, 0) == 0;
  }
  static Bytes Header(std::uint8_t service, std::uint8_t operation, std::uint32_t length) {
    Bytes h = {service, operation, 0, 0, 0, 0};
    kavrel::WriteU32(h.data(), 2, length);
    return h;
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
