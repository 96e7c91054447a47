// Running the built programs from the end-to-end tests, each bounded in time.
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

#include "video_server_fixture.h"

extern char** environ;

namespace kavreld::testing {

struct Finished {
  bool exited = false;
  int status = -1;
  std::string output;
};

// Runs a program with its standard output to a file; killed if it outlives `limit`.
inline Finished RunProgram(const std::vector<std::string>& args, const std::filesystem::path& out,
             std::chrono::milliseconds limit) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  Finished f;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return f;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return f;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  f.exited = WIFEXITED(status);
  f.status = WEXITSTATUS(status);
  Bytes text = ReadFile(out);
  f.output.assign(text.begin(), text.end());
  return f;
}

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

// The name the tool gives its n-th picture.
inline std::string FrameName(std::size_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%05zu.bmp", frame);
  return name;
}

// The pictures written by zmntp-cli --frames: each a 24-bit bottom-up BMP of
// 176 x 144 whose pixels must be picture (k mod pictures) of `decoded`.
inline std::size_t CheckFrames(const std::filesystem::path& dir, const Bytes& decoded) {
  constexpr std::size_t kPicture = 176 * 144 * 3;
  const std::size_t pictures = decoded.size() / kPicture;
  std::size_t frames = 0;
  for (; std::filesystem::exists(dir / FrameName(frames)); ++frames) {
    SCOPED_TRACE(frames);
    Bytes bmp = ReadFile(dir / FrameName(frames));
    EXPECT_EQ(bmp.size(), 54 + kPicture);
    if (bmp.size() != 54 + kPicture) continue;
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(kavrel::ReadU32(bmp.data(), 10), 54u);
    EXPECT_EQ(kavrel::ReadU32(bmp.data(), 18), 176u);
    EXPECT_EQ(kavrel::ReadU32(bmp.data(), 22), 144u);  // bottom-up
    EXPECT_EQ(kavrel::ReadLE<std::uint16_t>(bmp.data(), 28), 24);
    const auto* want = decoded.data() + (frames % pictures) * kPicture;
    EXPECT_TRUE(std::equal(bmp.begin() + 54, bmp.end(), want));
  }
  return frames;
}

}  // namespace kavreld::testing
