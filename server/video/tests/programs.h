// The end-to-end tests' programs: kavreld in the background, and a viewer through the
// network library.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ZMNTP.h"
#include "protocol/video.h"
#include "video_server_fixture.h"
#include "video_test_support.h"

extern char** environ;

namespace kavreld::testing {

// A started program, killed when the object goes.
class Background {
 public:
  Background(const std::vector<std::string>& args, const std::filesystem::path& log) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Background() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (::waitpid(pid_, &status, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

// A viewer through the network library, as the client runs it: code 160 for a camera
// into a window that records every picture, then code 161.
class LibraryViewer {
 public:
  LibraryViewer() { library_.ZMNTP_Init(); }
  ~LibraryViewer() { Stop(); }

  // Code 160; its result and count.
  std::pair<int, unsigned long> Start(std::uint32_t camera, const std::string& relay) {
    auto request = protocol::WriteVideoStartRequest({window_.handle(), camera, relay});
    unsigned long count = 99;
    int result = library_.SendCmd(nullptr, 7000, CMD_CCTV_VIDEO_START, &count, request.data());
    return {result, count};
  }
  // Code 161 (returns once the session has ended).
  std::pair<int, unsigned long> Stop() {
    unsigned long count = 99;
    int result = library_.SendCmd(nullptr, 7000, CMD_CCTV_VIDEO_STOP, &count, nullptr);
    return {result, count};
  }
  // Waits (20 s at most) until the window has shown `n` pictures.
  bool WaitForPictures(std::size_t n) {
    for (int i = 0; i < 1000 && window_->Pictures().size() < n; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return window_->Pictures().size() >= n;
  }
  std::vector<zmntp::testing::Pixels> Pictures() { return window_->Pictures(); }

 private:
  CZMNTP library_;
  zmntp::testing::ScopedWindow window_;
};

// Waits (20 s at most) until the file holds `text`.
inline bool WaitForText(const std::filesystem::path& file, const std::string& text) {
  for (int i = 0; i < 1000; ++i) {
    Bytes bytes = ReadFile(file);
    if (std::string(bytes.begin(), bytes.end()).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// What the decoder makes of a whole clip, picture by picture.
inline std::vector<zmntp::testing::Pixels> DecodeClip(const std::filesystem::path& clip) {
  return zmntp::testing::DecodeAll(zmntp::testing::PicturesOf(clip));
}

// Picture k of the window must be picture (k mod pictures) of `decoded` (the clip
// loops from its intra picture).
inline void CheckPictures(const std::vector<zmntp::testing::Pixels>& shown,
                          const std::vector<zmntp::testing::Pixels>& decoded) {
  ASSERT_FALSE(decoded.empty());
  for (std::size_t k = 0; k < shown.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_TRUE(shown[k] == decoded[k % decoded.size()]);
  }
}

}  // namespace kavreld::testing
