// Window messages and the clipboard between this test and a second real process.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "kavrel/desktop_runtime.h"
#include "kavrel/desktop_window.h"

extern char** environ;

namespace kavrel::desktop {
namespace {

// Gives the test a runtime directory of its own (inherited by the peer).
class DesktopWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("kdw-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
};

struct Event {
  std::int64_t wParam, lParam;
  bool duringSend;
};

TEST_F(DesktopWindowTest, MessagesBackAndForthBetweenTwoProcesses) {
  const unsigned message = RegisterWindowMessage("KAVREL_TEST");
  EXPECT_EQ(message, RegisterWindowMessage("KAVREL_TEST"));
  EXPECT_GE(message, 0xC000u);

  std::vector<Event> events;
  bool sending = false;
  auto window = Window::Create([&](unsigned m, std::int64_t w, std::int64_t l) -> std::int64_t {
    if (m == message) events.push_back({w, l, sending});
    return 0;
  });
  ASSERT_TRUE(window);
  ASSERT_GT(window->handle(), 0);
  EXPECT_TRUE(IsWindow(window->handle()));

  std::string handleText = std::to_string(window->handle());
  std::vector<char*> argv = {const_cast<char*>(WINDOW_PEER_PATH), handleText.data(), nullptr};
  pid_t pid = -1;
  ASSERT_EQ(0, ::posix_spawn(&pid, WINDOW_PEER_PATH, nullptr, nullptr, argv.data(), environ));

  // The peer tells its handle (the wait bounds a broken peer, it is no synchronisation).
  ASSERT_TRUE(window->DispatchOne(std::chrono::milliseconds(60000)));
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(1, events[0].wParam);
  Hwnd peer = static_cast<Hwnd>(events[0].lParam);
  EXPECT_NE(window->handle(), peer);
  EXPECT_TRUE(IsWindow(peer));
  EXPECT_EQ(peer, HandleFromText(std::to_string(peer)));

  // The peer placed its text before it sent its handle.
  EXPECT_EQ("peer text 한글", GetClipboardText().value_or("(none)"));

  // The message the peer sends back while it handles ours is handled before our send returns.
  sending = true;
  EXPECT_EQ(105, SendMessage(peer, message, 10, 5));
  sending = false;
  ASSERT_EQ(2u, events.size());
  EXPECT_EQ(11, events[1].wParam);
  EXPECT_EQ(6, events[1].lParam);
  EXPECT_TRUE(events[1].duringSend);

  // WM_CLOSE ends the peer; its handle then names no window and messages to it are dropped.
  EXPECT_EQ(0, SendMessage(peer, kWmClose, 0, 0));
  int status = 0;
  ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_FALSE(IsWindow(peer));
  EXPECT_EQ(0, SendMessage(peer, message, 10, 1));
  EXPECT_EQ(0, SendMessage(0, message, 10, 1));
  EXPECT_EQ(2u, events.size());
}

TEST_F(DesktopWindowTest, HandlesAreUniqueAndTravelAsDecimalText) {
  auto a = Window::Create([](unsigned, std::int64_t, std::int64_t) -> std::int64_t { return 7; });
  auto b = Window::Create([](unsigned, std::int64_t, std::int64_t) -> std::int64_t { return 8; });
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->handle(), b->handle());
  // A window sending to itself through its own socket is answered.
  EXPECT_EQ(7, SendMessage(a->handle(), 0xC123, 0, 0));
  Hwnd gone = b->handle();
  b.reset();
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_EQ(0, HandleFromText("x12"));
  EXPECT_EQ(0, HandleFromText("99999999999"));
  EXPECT_EQ(12, HandleFromText(" 12 /http://h/u /1.0"));
}

TEST_F(DesktopWindowTest, ClipboardReplacesItsText) {
  EXPECT_FALSE(GetClipboardText().has_value());
  EXPECT_TRUE(SetClipboardText("first\r\n\r\nsecond"));
  EXPECT_EQ("first\r\n\r\nsecond", GetClipboardText().value_or(""));
  EXPECT_TRUE(SetClipboardText(""));
  EXPECT_EQ("", GetClipboardText().value_or("(none)"));
}

}  // namespace
}  // namespace kavrel::desktop
