// A scripted traffic server on loopback for the library's tests: for each connection
// it reads the request, replies as its script says (or misbehaves), then records
// everything the client sent until the client closes.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "loopback_listener.h"

namespace zmntp::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }
inline Bytes Le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}
inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
// A reply as the server frames it: length word, then the bytes.
inline Bytes Framed(const Bytes& body) { return Concat({Le32(static_cast<std::uint32_t>(body.size())), body}); }

// What the peer does on one connection.
struct Conversation {
  std::size_t requestBytes = 24;  // read this many bytes before replying
  Bytes reply;                    // then send these
  // Afterwards: keep reading (silently) until the client closes, or close at once.
  enum class Then { ReadToEnd, Close } then = Then::ReadToEnd;
  std::size_t pieceSize = 0;  // send the reply in pieces of this size, 20 ms apart (0: at once)
};

// One request with a body of `body` bytes after its 24-byte header, answered with a
// framed reply.
inline Conversation Answer(std::size_t body, const Bytes& reply) { return {24 + body, Framed(reply)}; }

// A loopback address of its own for the running test, so tests in parallel processes
// never meet on the fixed port.
inline std::string TestAddress() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::size_t h = std::hash<std::string>{}(std::string(info->test_suite_name()) + "." + info->name());
  return "127." + std::to_string(1 + h % 250) + "." + std::to_string((h >> 8) % 250) + "." +
         std::to_string(1 + (h >> 16) % 250);
}

class ScriptedPeer {
 public:
  ScriptedPeer(std::string address, std::vector<Conversation> script, std::uint16_t port = 7000)
      : address_(std::move(address)), script_(std::move(script)) {
    listener_ = ListenOn(address_, port, 8);
    if (listener_ < 0) ADD_FAILURE() << "cannot listen on " << address_ << ":" << port;
    thread_ = std::thread([this] { Run(); });
  }
  ~ScriptedPeer() { Finish(); }

  // Waits (a few seconds at most) until every scripted conversation has ended.
  void Finish() {
    for (int i = 0; i < 250 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop_ = true;
    if (!thread_.joinable()) return;
    thread_.join();
    ::close(listener_);
  }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  const std::string& address() const { return address_; }
  char* addressText() { return address_.data(); }
  // Everything each connection received, in order of connection.
  std::vector<Bytes> Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }
  int Connections() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(received_.size());
  }

 private:
  bool WaitReadable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
  }

  void Run() {
    for (const Conversation& c : script_) {
      int fd = -1;
      while (!stop_ && fd < 0) {
        if (WaitReadable(listener_, 20)) fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      }
      if (fd < 0) return;
      std::size_t index;
      {
        std::lock_guard lock(mutex_);
        received_.emplace_back();
        index = received_.size() - 1;
      }
      auto readSome = [&](std::size_t limit) {
        std::uint8_t buf[4096];
        ssize_t n = ::recv(fd, buf, std::min(limit, sizeof buf), 0);
        if (n > 0) {
          std::lock_guard lock(mutex_);
          received_[index].insert(received_[index].end(), buf, buf + n);
        }
        return n;
      };
      auto receivedSize = [&] {
        std::lock_guard lock(mutex_);
        return received_[index].size();
      };
      // The request.
      while (!stop_ && receivedSize() < c.requestBytes) {
        if (WaitReadable(fd, 20) && readSome(c.requestBytes - receivedSize()) <= 0) break;
      }
      // The reply.
      std::size_t piece = c.pieceSize ? c.pieceSize : c.reply.size();
      for (std::size_t at = 0; at < c.reply.size(); at += piece) {
        if (at) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (stop_ || ::send(fd, c.reply.data() + at, std::min(piece, c.reply.size() - at), MSG_NOSIGNAL) < 0) break;
      }
      if (c.then != Conversation::Then::Close) {
        while (!stop_) {
          if (WaitReadable(fd, 20) && readSome(4096) <= 0) break;
        }
      }
      ::close(fd);
    }
    done_ = true;
  }

  std::string address_;
  std::vector<Conversation> script_;
  int listener_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::mutex mutex_;
  std::vector<Bytes> received_;
  std::thread thread_;
};

}  // namespace zmntp::testing
