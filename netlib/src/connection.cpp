#include "connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "kavrel/clock.h"
#include "kavrel/debug_log.h"
#include "kavrel/handheld_path.h"
#include "kavrel/little_endian.h"
#include "process_state.h"
#include "protocol/commands.h"

namespace zmntp {

NetTimeouts& Timeouts() {
  static NetTimeouts timeouts;
  return timeouts;
}

void WriteLog(const std::string& text) {
  kavrel::AppendLogLine(kavrel::HandheldPath(".\\DBM.TXT"), kavrel::LogLayout::TimeFirst, text);
}

std::string Format(const char* fmt, ...) {
  char buf[2048];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

Socket& Socket::operator=(Socket&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = o.fd_;
    deadline_ = o.deadline_;
    o.fd_ = -1;
  }
  return *this;
}

void Socket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

namespace {

// One connect attempt with a bounded wait; returns 0 or -1 like connect(). The send
// time-out bounds the connect here, and later every send of the request.
int ConnectOnce(int fd, const sockaddr_in& addr) {
  timeval limit{};
  limit.tv_sec = static_cast<time_t>(Timeouts().connectWaitMs / 1000);
  limit.tv_usec = static_cast<suseconds_t>((Timeouts().connectWaitMs % 1000) * 1000);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  int r;
  do {
    r = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  } while (r != 0 && errno == EINTR);
  return r == 0 ? 0 : -1;
}

}  // namespace

int OpenRequest(const char* address, unsigned long port, std::uint32_t wireCode, unsigned long* count,
                Socket& out) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  bool parsed = address != nullptr && port <= 0xFFFF && ::inet_pton(AF_INET, address, &addr.sin_addr) == 1;

  const std::uint32_t start = kavrel::GetTickCount();
  Socket s;
  int result = -1;
  for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
    // A fresh socket per attempt: a failed connect leaves a socket unusable.
    s = Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    result = (parsed && s.valid()) ? ConnectOnce(s.fd(), addr) : -1;
    if (result == 0) break;
    if (count) *count = 0;
    kavrel::Sleep(kConnectRetryMs);
  }
  if (result != 0) {
    WriteLog(Format("ZMNT:connect:=%d", result));
    return 1;
  }

  int rcvbuf = kReceiveBufferBytes;
  ::setsockopt(s.fd(), SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);

  auto header = protocol::WriteRequestHeader(wireCode, State().localAddress.data());
  long sent = SendBlock(s, header.data(), header.size());
  if (sent != static_cast<long>(header.size())) {
    WriteLog(Format("ZMNT:CMD send:=%ld", sent));
    if (count) *count = 0;
    return 2;
  }
  s.SetDeadline(start + Timeouts().requestDeadlineMs);
  out = std::move(s);
  return 0;
}

long SendBlock(const Socket& s, const void* data, std::size_t n) {
  if (n == 0) return 0;
  ssize_t r;
  do {
    r = ::send(s.fd(), data, n, MSG_NOSIGNAL);
  } while (r < 0 && errno == EINTR);
  return static_cast<long>(r);
}

namespace {

// The request's overall time is up: one log line of its own.
long RequestTimedOut() {
  WriteLog(Format("ZMNT:deadline:=%u", Timeouts().requestDeadlineMs));
  return -1;
}

}  // namespace

long RecvWithTimeout(const Socket& s, void* buffer, std::size_t n, std::uint32_t idleMs) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t got = 0;
  std::uint32_t last = kavrel::GetTickCount();
  while (got < n) {
    // Take what is waiting; wait only when nothing is.
    ssize_t r = ::recv(s.fd(), out + got, n - got, MSG_DONTWAIT);
    if (r > 0) {
      got += static_cast<std::size_t>(r);
      last = kavrel::GetTickCount();
      continue;
    }
    if (r == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    const std::uint32_t now = kavrel::GetTickCount();
    const std::uint32_t idle = now - last;
    if (idle > idleMs) return -1;
    std::uint32_t wait = idleMs - idle + 1;
    bool deadlineFirst = false;
    if (s.deadline()) {
      const auto left = static_cast<std::int32_t>(*s.deadline() - now);
      if (left <= 0) return RequestTimedOut();
      if (static_cast<std::uint32_t>(left) < wait) {
        wait = static_cast<std::uint32_t>(left);
        deadlineFirst = true;
      }
    }
    pollfd p{s.fd(), POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(std::min<std::uint32_t>(wait, 0x7FFFFFFF)));
    if (ready < 0 && errno != EINTR) return -1;
    // Poll waited out the rest of the idle time, or of the request's time.
    if (ready == 0) return deadlineFirst ? RequestTimedOut() : -1;
  }
  return static_cast<long>(n);
}

}  // namespace zmntp
