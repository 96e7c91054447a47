// Starts the built kavreld on a loopback address of the test's own, with a copy of
// the sample data and a fresh member database in a temporary directory, and always
// stops it (SIGTERM, then SIGKILL) when the test ends.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "kavrel/little_endian.h"

extern char** environ;

namespace kavreld::testing {

inline std::filesystem::path SampleData() {
  const char* home = std::getenv("KAVREL_HOME");
  return home ? home : KAVREL_TEST_DATADIR;
}

// A temporary directory removed with the object.
class TempDir {
 public:
  explicit TempDir(const std::string& tag) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("kavreld-" + tag + "-" + (info ? std::string(info->name()) : "x") + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A raw client socket to address:7000 (nullopt when nothing listens), from `source`
// when given.
inline std::optional<int> Connect(const std::string& address, std::uint16_t port = 7000,
                                  const std::string& source = {}) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return std::nullopt;
  if (!source.empty()) {
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
      ::close(fd);
      return std::nullopt;
    }
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  timeval tv{5, 0};  // a test never hangs on a silent server
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  return fd;
}

// Reads until the peer closes (or 5 s pass); returns what arrived.
inline std::vector<std::uint8_t> ReadToEnd(int fd) {
  std::vector<std::uint8_t> all;
  std::uint8_t buffer[4096];
  for (;;) {
    ssize_t r = ::recv(fd, buffer, sizeof buffer, 0);
    if (r <= 0) break;
    all.insert(all.end(), buffer, buffer + r);
  }
  return all;
}

// The 24-byte header of a request.
inline std::vector<std::uint8_t> Header(std::uint32_t code, const char* address = "127.0.0.1") {
  std::vector<std::uint8_t> h(24, 0);
  kavrel::WriteU32(h.data(), 0, code);
  std::memcpy(h.data() + 4, address, std::strlen(address));
  return h;
}

#ifdef KAVRELD_PATH  // where the built program is known
class KavreldProcess {
 public:
  KavreldProcess(std::string address, std::filesystem::path dataDir, std::filesystem::path dbPath,
                 std::filesystem::path logPath, std::vector<std::string> extra = {})
      : address_(std::move(address)),
        dataDir_(std::move(dataDir)),
        dbPath_(std::move(dbPath)),
        logPath_(std::move(logPath)),
        extra_(std::move(extra)) {}
  ~KavreldProcess() { Stop(); }

  // Starts the server and waits until it accepts connections.
  bool Start() {
    std::vector<std::string> args = {KAVRELD_PATH, "--listen", address_, "--port", "7000", "--data",
                                     dataDir_.string(), "--db", dbPath_.string(), "--seed", "7"};
    args.insert(args.end(), extra_.begin(), extra_.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, logPath_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    int rc = posix_spawn(&pid_, KAVRELD_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      pid_ = -1;
      return false;
    }
    for (int i = 0; i < 1000; ++i) {
      if (auto fd = Connect(address_)) {
        ::close(*fd);
        return true;
      }
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        exitStatus_ = status;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // Stops it with `signal`; returns the wait status (-1 when it was not running).
  int Stop(int signal = SIGTERM) {
    if (pid_ <= 0) return exitStatus_;
    ::kill(pid_, signal);
    int status = -1;
    for (int i = 0; i < 600; ++i) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        exitStatus_ = status;
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    exitStatus_ = -1;  // it had to be killed
    return exitStatus_;
  }

  // Runs the program to its end with these arguments only (for start-up failures).
  static int RunToEnd(std::vector<std::string> args, const std::filesystem::path& logPath) {
    args.insert(args.begin(), KAVRELD_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, KAVRELD_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
  }

  std::string Log() const {
    std::ifstream in(logPath_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // The server writes a line after the event that caused it (a close, a refusal): looks
  // for `text` until it shows, for at most 20 s.
  bool LogShows(const std::string& text) const {
    for (int i = 0; i < 2000; ++i) {
      if (Log().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  const std::string& address() const { return address_; }

 private:
  std::string address_;
  std::filesystem::path dataDir_, dbPath_, logPath_;
  std::vector<std::string> extra_;
  pid_t pid_ = -1;
  int exitStatus_ = -1;
};

#endif  // KAVRELD_PATH

}  // namespace kavreld::testing
