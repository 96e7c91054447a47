#include "kavrel/desktop_window.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#include "kavrel/desktop_runtime.h"
#include "kavrel/little_endian.h"

namespace kavrel::desktop {
namespace {

// One message on the wire: "KWM1", the message, wParam, lParam (little-endian); the
// answer is the 8-byte result.
constexpr std::array<char, 4> kMagic = {'K', 'W', 'M', '1'};
constexpr std::size_t kMessageSize = 4 + 4 + 8 + 8;
constexpr std::size_t kResultSize = 8;
// A sender writes its message as soon as it has connected; a connection that says
// nothing for this long is dropped.
constexpr int kMessageWaitMs = 5000;

// The windows of this thread: their messages are handled while this thread waits in
// SendMessage.
thread_local std::vector<Window*> threadWindows;

bool SocketPath(Hwnd handle, sockaddr_un& address) {
  std::filesystem::path dir = RuntimeDirectory();
  if (dir.empty()) return false;
  std::string path = (dir / ("window-" + std::to_string(handle))).string();
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int ConnectTo(Hwnd handle) {
  sockaddr_un address;
  if (handle <= 0 || !SocketPath(handle, address)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads exactly `size` bytes, waiting at most `waitMs` for each part (-1: no limit).
bool ReadAll(int fd, std::uint8_t* data, std::size_t size, int waitMs) {
  while (size > 0) {
    pollfd p{fd, POLLIN, 0};
    int r = ::poll(&p, 1, waitMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    ssize_t n = ::recv(fd, data, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

unsigned RegisterWindowMessage(std::string_view name) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
  return 0xC000u + hash % 0x4000u;
}

Hwnd HandleFromText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX) return 0;
  }
  return static_cast<Hwnd>(value);
}

Window::Window(Hwnd handle, int listenFd, Handler handler)
    : handle_(handle), listenFd_(listenFd), handler_(std::move(handler)) {
  threadWindows.push_back(this);
}

Window::~Window() {
  threadWindows.erase(std::remove(threadWindows.begin(), threadWindows.end(), this), threadWindows.end());
  sockaddr_un address;
  if (SocketPath(handle_, address)) ::unlink(address.sun_path);
  ::close(listenFd_);
}

std::unique_ptr<Window> Window::Create(Handler handler, std::string* error) {
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<Hwnd> pick(1, INT32_MAX);
  for (int attempt = 0; attempt < 100; ++attempt) {
    Hwnd handle = pick(random);
    sockaddr_un address;
    if (!SocketPath(handle, address)) break;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) break;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      if (::listen(fd, 64) == 0) return std::unique_ptr<Window>(new Window(handle, fd, std::move(handler)));
      ::unlink(address.sun_path);
      ::close(fd);
      break;
    }
    int bindError = errno;
    ::close(fd);
    if (bindError != EADDRINUSE) break;
    // Taken: by a live window (pick another number) or left by a program that ended.
    int probe = ConnectTo(handle);
    if (probe >= 0)
      ::close(probe);
    else
      ::unlink(address.sun_path);
  }
  if (error) *error = "no window socket in " + RuntimeDirectory().string() + ": " + std::strerror(errno);
  return nullptr;
}

Window::Accepted Window::AcceptAndHandle() {
  int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return Accepted::Nothing;
  Accepted accepted = Accepted::Empty;  // e.g. IsWindow asking whether we are there
  std::uint8_t message[kMessageSize];
  if (ReadAll(fd, message, sizeof message, kMessageWaitMs) && std::memcmp(message, kMagic.data(), kMagic.size()) == 0) {
    std::int64_t result = handler_(ReadU32(message, 4), static_cast<std::int64_t>(ReadU64(message, 8)),
                                   static_cast<std::int64_t>(ReadU64(message, 16)));
    std::uint8_t answer[kResultSize];
    WriteU64(answer, 0, static_cast<std::uint64_t>(result));
    WriteAll(fd, answer, sizeof answer);  // a sender that has gone needs no answer
    accepted = Accepted::Message;
  }
  ::close(fd);
  return accepted;
}

void Window::DispatchPending() {
  while (AcceptAndHandle() != Accepted::Nothing) {
  }
}

bool Window::DispatchOne(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{listenFd_, POLLIN, 0};
    if (left.count() < 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    if (AcceptAndHandle() == Accepted::Message) return true;
  }
}

std::int64_t SendMessage(Hwnd to, unsigned message, std::int64_t wParam, std::int64_t lParam) {
  int fd = ConnectTo(to);
  if (fd < 0) return 0;
  std::uint8_t out[kMessageSize];
  std::memcpy(out, kMagic.data(), kMagic.size());
  WriteU32(out, 4, message);
  WriteU64(out, 8, static_cast<std::uint64_t>(wParam));
  WriteU64(out, 16, static_cast<std::uint64_t>(lParam));
  std::uint8_t answer[kResultSize];
  bool answered = false;
  if (WriteAll(fd, out, sizeof out)) {
    // Wait for the answer; messages sent to this thread's windows meanwhile (the
    // receiver sending back while it handles ours) are handled here.
    for (;;) {
      std::vector<Window*> windows = threadWindows;
      std::vector<pollfd> polls{{fd, POLLIN, 0}};
      for (Window* w : windows) polls.push_back({w->listenFd_, POLLIN, 0});
      int r = ::poll(polls.data(), polls.size(), -1);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) break;
      if (polls[0].revents != 0) {
        answered = ReadAll(fd, answer, sizeof answer, kMessageWaitMs);
        break;
      }
      for (std::size_t i = 1; i < polls.size(); ++i)
        if (polls[i].revents != 0 &&
            std::find(threadWindows.begin(), threadWindows.end(), windows[i - 1]) != threadWindows.end())
          windows[i - 1]->DispatchPending();
    }
  }
  ::close(fd);
  return answered ? static_cast<std::int64_t>(ReadU64(answer, 0)) : 0;
}

bool IsWindow(Hwnd handle) {
  int fd = ConnectTo(handle);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace kavrel::desktop
