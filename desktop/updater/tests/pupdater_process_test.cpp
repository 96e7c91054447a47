// The built programs together: kavreld's update service with the sample update, the
// pupdater program as its own process, and a caller window in this test.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kavrel/desktop_runtime.h"
#include "kavrel/desktop_window.h"
#include "update_reports.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace kavrel::desktop;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Accepts(const std::string& address, std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

pid_t Spawn(const std::vector<std::string>& args, const fs::path& log, const fs::path& cwd = {}) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  if (::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

class PupdaterProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kpp-" + std::to_string(::getpid()));  // one test per process
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "run");
    fs::create_directories(dir_ / "work");
    ::setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    ::setenv("KAVREL_UNATTENDED", "1", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Each test has a loopback address of its own, so that they can run side by side.
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    address_ = name == "RunsWithoutACaller" ? "127.0.0.62" : "127.0.0.61";
    server_ = Spawn({KAVRELD_PATH, "--listen", address_, "--data", KAVREL_TEST_DATADIR, "--db",
                     (dir_ / "server.db").string()},
                    dir_ / "kavreld.log");
    ASSERT_GT(server_, 0);
    // Started once its update port accepts (bounded for a server that cannot start).
    for (int i = 0; i < 3000 && !Accepts(address_, 8080); ++i) {
      int status = 0;
      ASSERT_NE(server_, ::waitpid(server_, &status, WNOHANG)) << ReadFile(dir_ / "kavreld.log");
      ::usleep(10000);
    }
  }
  void TearDown() override {
    if (server_ > 0) {
      ::kill(server_, SIGTERM);
      ::waitpid(server_, nullptr, 0);
    }
    fs::remove_all(dir_);
  }
  std::string Reports() {
    std::string error, codes;
    auto reports = kavreld::UpdateReports::Open(dir_ / "server.db", error);
    if (!reports) return error;
    for (const auto& r : reports->All()) codes += r.code + "@" + r.version + "@" + r.address + " ";
    return codes;
  }

  const char* address_ = "127.0.0.61";
  fs::path dir_;
  pid_t server_ = -1;
};

TEST_F(PupdaterProcessTest, SampleUpdateIsOfferedDownloadedAndReported) {
  const unsigned message = RegisterWindowMessage("APP_AUTO_UPDATE");
  std::string notices;
  Hwnd updater = 0;
  bool done = false;
  auto caller = Window::Create([&](unsigned m, std::int64_t w, std::int64_t l) -> std::int64_t {
    if (m != message) return 0;
    notices += std::to_string(w) + " ";
    if (w == 1) updater = static_cast<Hwnd>(l);
    if (w == 2) {
      EXPECT_NE(std::string::npos, GetClipboardText().value_or("").find("\r\n\r\n"));
      SendMessage(updater, message, 1, 0);
    }
    if (w == 6) {
      SendMessage(updater, kWmClose, 0, 0);
      done = true;
    }
    return 0;
  });
  ASSERT_TRUE(caller);
  std::string line = std::to_string(caller->handle()) + " /http://" + address_ + ":8080/update /1.0";
  pid_t pid = Spawn({PUPDATER_PATH, line}, dir_ / "pupdater.log", dir_ / "work");
  ASSERT_GT(pid, 0);
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!done && std::chrono::steady_clock::now() < limit) caller->DispatchOne(std::chrono::milliseconds(100));
  int status = 0;
  ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
  EXPECT_EQ("1 2 6 ", notices);
  fs::path updates = fs::path(KAVREL_TEST_DATADIR) / "updates";
  EXPECT_EQ(ReadFile(updates / "kavrel-1.1.cab"), ReadFile(dir_ / "work/__TEMP__/kavrel-1.1.cab"));
  EXPECT_EQ(ReadFile(updates / "kavrel-1.1.ini"), ReadFile(dir_ / "work/__TEMP__/kavrel-1.1.ini"));
  std::string a = "@1.0@127.0.0.1 ";  // the address the reports came from
  EXPECT_EQ("1" + a + "5" + a + "6" + a, Reports());
  EXPECT_EQ(std::string::npos, ReadFile(dir_ / "pupdater.log").find("message:")) << ReadFile(dir_ / "pupdater.log");
}

TEST_F(PupdaterProcessTest, RunsWithoutACaller) {
  // Handle 0 names no window: the notices are dropped, the reports still go out.
  std::string line = std::string("0 /http://") + address_ + ":8080/update /1.1";
  pid_t pid = Spawn({PUPDATER_PATH, line}, dir_ / "pupdater.log", dir_ / "work");
  ASSERT_GT(pid, 0);
  std::string expected = "4@1.1@127.0.0.1 ";
  for (int i = 0; i < 12000 && Reports() != expected; ++i) ::usleep(10000);
  EXPECT_EQ(expected, Reports());
  int status = 0;
  EXPECT_EQ(0, ::waitpid(pid, &status, WNOHANG));  // waiting, hidden, for a command
  ::kill(pid, SIGTERM);
  ::waitpid(pid, &status, 0);
}

}  // namespace
