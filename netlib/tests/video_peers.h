// Peers of the video session on loopback, for its tests and its benchmark: a camera
// relay and a video server that behave as a case needs, a listener whose connects never
// complete, and the session in each of the places where code 161 can meet it.
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
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cctv_session.h"
#include "kavrel/little_endian.h"
#include "loopback_listener.h"
#include "protocol/video.h"

namespace zmntp::testing {

using PeerBytes = std::vector<std::uint8_t>;

// The caller's data of code 160.
inline PeerBytes StartRequest(std::uint32_t window, std::uint32_t camera, const std::string& relay) {
  PeerBytes request(8 + relay.size() + 1, 0);
  kavrel::WriteU32(request.data(), 0, window);
  kavrel::WriteU32(request.data(), 4, camera);
  std::memcpy(request.data() + 8, relay.data(), relay.size());
  return request;
}

// The relay's answer naming a video server, and its 8 closing bytes.
inline PeerBytes RelayAccepts(const std::string& address, std::uint16_t port) {
  PeerBytes reply(8 + 24 + 4 + 8, 0);
  kavrel::WriteU32(reply.data(), 0, 1);
  std::memcpy(reply.data() + 8, address.data(), std::min<std::size_t>(address.size(), 23));
  kavrel::WriteU32(reply.data(), 32, port);
  return reply;
}

// One accepted connection as a peer's handler sees it. Every wait ends when the peer
// is going away.
class PeerConnection {
 public:
  PeerConnection(int fd, const std::atomic<bool>& going) : fd_(fd), going_(going) {}

  // Reads n bytes; false when the client closed first or the peer is going.
  bool Read(std::size_t n) {
    std::uint8_t buffer[256];
    while (n > 0) {
      if (!Readable()) return false;
      ssize_t r = ::recv(fd_, buffer, std::min(n, sizeof buffer), 0);
      if (r <= 0) return false;
      n -= static_cast<std::size_t>(r);
    }
    return true;
  }
  bool Send(const PeerBytes& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // Holds the connection open, reading whatever comes, until the client closes.
  void Hold() {
    std::uint8_t buffer[256];
    while (Readable() && ::recv(fd_, buffer, sizeof buffer, 0) > 0) {
    }
  }
  // True once the client has closed (or the peer is going); waits at most `ms`.
  bool ClosedWithin(int ms) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, ms) != 1) return going_;
    std::uint8_t byte;
    return ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0;
  }

 private:
  bool Readable() {
    while (!going_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 10) == 1) return true;
    }
    return false;
  }
  int fd_;
  const std::atomic<bool>& going_;
};

// A peer on loopback that runs `serve` on every connection it accepts, each on a
// thread of its own, until the peer goes.
class LoopbackPeer {
 public:
  using Serve = std::function<void(PeerConnection&)>;

  LoopbackPeer(const std::string& address, std::uint16_t port, Serve serve) : serve_(std::move(serve)) {
    listener_ = ListenOn(address, port, 8, &port_);
    if (listener_ >= 0) acceptor_ = std::thread([this] { Accept(); });
  }
  ~LoopbackPeer() {
    going_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    for (auto& t : connections_) t.join();
    if (listener_ >= 0) ::close(listener_);
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  bool listening() const { return listener_ >= 0; }
  std::uint16_t port() const { return port_; }
  int accepted() const { return accepted_; }

 private:
  void Accept() {
    while (!going_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 10) != 1) continue;
      int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++accepted_;
      connections_.emplace_back([this, fd] {
        PeerConnection c(fd, going_);
        serve_(c);
        ::close(fd);
      });
    }
  }

  Serve serve_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> going_{false};
  std::atomic<int> accepted_{0};
  std::thread acceptor_;
  std::list<std::thread> connections_;  // the acceptor's until it has ended
};

// A listener whose queue is full: a connect to it neither completes nor fails until
// its own time-out (the kernel drops the connection requests).
class StuckListener {
 public:
  explicit StuckListener(const std::string& address, std::uint16_t port = 0) {
    listener_ = ListenOn(address, port, 0, &port_);
    if (listener_ < 0) return;
    // Backlog 0 queues one connection; it fills the queue.
    filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port_);
    ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
    ::connect(filler_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  }
  ~StuckListener() {
    if (filler_ >= 0) ::close(filler_);
    if (listener_ >= 0) ::close(listener_);
  }
  StuckListener(const StuckListener&) = delete;
  StuckListener& operator=(const StuckListener&) = delete;
  bool listening() const { return listener_ >= 0; }
  std::uint16_t port() const { return port_; }

 private:
  int listener_ = -1;
  int filler_ = -1;
  std::uint16_t port_ = 0;
};

// Where code 161 can meet a session.
enum class Stage { ConnectingToRelay, AwaitingRelay, ConnectingToVideoServer, Streaming, StalledMidFrame, Failed };
constexpr int kStageCount = 6;

inline const char* StageName(Stage s) {
  switch (s) {
    case Stage::ConnectingToRelay: return "connecting to the relay";
    case Stage::AwaitingRelay: return "waiting for the relay's answer";
    case Stage::ConnectingToVideoServer: return "connecting to the video server";
    case Stage::Streaming: return "streaming";
    case Stage::StalledMidFrame: return "stalled mid-frame";
    case Stage::Failed: return "waiting for the stop after a failure";
  }
  return "";
}

// Frames of a stream: {type 1, length} and the picture.
inline PeerBytes PictureFrame(const PeerBytes& picture) {
  PeerBytes frame(8);
  kavrel::WriteU32(frame.data(), 0, 1);
  kavrel::WriteU32(frame.data(), 4, static_cast<std::uint32_t>(picture.size()));
  frame.insert(frame.end(), picture.begin(), picture.end());
  return frame;
}

// The peers that hold a session in one stage, on `address` (relay at port 6000, video
// server at a free port). `picture` is one coded QCIF picture for the stream.
class StagePeers {
 public:
  StagePeers(Stage stage, const std::string& address, const PeerBytes& picture) : stage_(stage) {
    if (stage == Stage::ConnectingToRelay) {
      stuck_.emplace(address, protocol::kRelayPort);
      return;
    }
    if (stage == Stage::AwaitingRelay || stage == Stage::Failed) {
      relay_.emplace(address, protocol::kRelayPort, [stage](PeerConnection& c) {
        if (!c.Read(10)) return;
        // The question, then silence; or a refusal and its closing bytes.
        if (stage == Stage::Failed) c.Send(PeerBytes(16, 0));
        c.Hold();
      });
      return;
    }
    std::uint16_t videoPort;
    if (stage == Stage::ConnectingToVideoServer) {
      stuck_.emplace(address);
      videoPort = stuck_->port();
    } else {
      PeerBytes frame = PictureFrame(picture);
      video_.emplace(address, 0, [stage, frame](PeerConnection& c) {
        if (!c.Read(6)) return;
        if (stage == Stage::StalledMidFrame) {
          // One whole frame, then half of the next one, and silence.
          PeerBytes half(frame.begin(), frame.begin() + static_cast<long>(frame.size() / 2));
          if (c.Send(frame) && c.Send(half)) c.Hold();
          return;
        }
        // A frame every 20 ms until the client goes.
        while (c.Send(frame) && !c.ClosedWithin(20)) {
        }
      });
      videoPort = video_->port();
    }
    PeerBytes answer = RelayAccepts(address, videoPort);
    relay_.emplace(address, protocol::kRelayPort, [answer](PeerConnection& c) {
      if (c.Read(10) && c.Send(answer) && c.Read(6)) c.Hold();
    });
  }

  bool ready() const {
    return (!stuck_ || stuck_->listening()) && (!relay_ || relay_->listening()) && (!video_ || video_->listening());
  }

  // The phase the session shows in this stage.
  VideoSessionPhase phase() const {
    switch (stage_) {
      case Stage::ConnectingToRelay: return VideoSessionPhase::ConnectingToRelay;
      case Stage::AwaitingRelay: return VideoSessionPhase::AwaitingRelay;
      case Stage::ConnectingToVideoServer: return VideoSessionPhase::ConnectingToVideoServer;
      case Stage::Failed: return VideoSessionPhase::WaitingForStop;
      default: return VideoSessionPhase::Streaming;
    }
  }
  // Whether pictures must have reached the window before the stage is reached.
  bool showsPictures() const { return stage_ == Stage::Streaming || stage_ == Stage::StalledMidFrame; }

 private:
  Stage stage_;
  std::optional<StuckListener> stuck_;
  std::optional<LoopbackPeer> relay_;
  std::optional<LoopbackPeer> video_;
};

// Waits until `done()` holds, looking every millisecond; false after `limitMs` (a guard
// against a hang, not a measure of anything).
template <class Done>
bool WaitUntil(Done done, int limitMs = 30000) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace zmntp::testing
