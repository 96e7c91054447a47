#include "cctv_session.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "cctv_player.h"
#include "connection.h"
#include "kavrel/clock.h"
#include "protocol/video.h"
#include "slot_queue.h"
#include "stop_signal.h"

namespace zmntp {
namespace {

using namespace protocol;

constexpr int kVideoFormat = 2;  // QCIF, the only size the cameras send

using SessionRequest = protocol::VideoStartRequest;

// The session thread: the relay dialogue, the stream, the player. Every wait looks for
// the stop message; a result of nothing (std::nullopt) below means it came.
class SessionThread {
 public:
  SessionThread(SessionRequest request, SlotQueue& stops, std::atomic<VideoSessionPhase>& phase)
      : request_(std::move(request)), inbox_(stops), phase_(phase) {}

  void Run() {
    Negotiate();
    // Failed or stopped: only the stop message is left to wait for.
    if (!inbox_.Stopped()) phase_ = VideoSessionPhase::WaitingForStop;
    inbox_.WaitForStop(std::max<std::uint32_t>(Timeouts().waitForStopPollMs, 1));
  }

 private:
  // Closes the connection and writes the failure's one log line.
  static void Fail(Socket& s, const char* what, long value) {
    s.Close();
    WriteLog(Format("ZMNT:%s:=%ld", what, value));
  }

  // One connect attempt; 0 or -1 like connect().
  std::optional<int> ConnectOnce(int fd, const sockaddr_in& addr) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    if (r != 0 && errno == EINPROGRESS) {
      r = -1;
      switch (inbox_.WaitFor(fd, POLLOUT, Timeouts().connectWaitMs)) {
        case StopInbox::Wait::Stopped:
          return std::nullopt;
        case StopInbox::Wait::TimedOut:
          break;
        case StopInbox::Wait::Ready: {
          int err = 0;
          socklen_t len = sizeof err;
          if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) r = 0;
        }
      }
    }
    ::fcntl(fd, F_SETFL, flags);
    return r == 0 ? 0 : -1;
  }

  // Up to five attempts 500 ms apart; the last connect result.
  std::optional<int> Connect(const std::string& address, std::uint16_t port, Socket& out) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    bool parsed = ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) == 1;
    std::optional<int> result = -1;
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
      out = Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
      result = (parsed && out.valid()) ? ConnectOnce(out.fd(), addr) : -1;
      if (result != -1) return result;  // connected, or stopped
      out.Close();
      if (!inbox_.Pause(kConnectRetryMs)) return std::nullopt;
    }
    return result;
  }

  // Receives exactly n bytes, as RecvWithTimeout does: n; 0 when the peer closed
  // first; -1 when nothing came for `idleMs` since the last byte, or on an error.
  std::optional<long> Receive(const Socket& s, void* buffer, std::size_t n, std::uint32_t idleMs) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t got = 0;
    while (got < n) {
      ssize_t r = ::recv(s.fd(), out + got, n - got, MSG_DONTWAIT);
      if (r > 0) {
        got += static_cast<std::size_t>(r);
        continue;
      }
      if (r == 0) return 0;
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
      StopInbox::Wait w = inbox_.WaitFor(s.fd(), POLLIN, idleMs);
      if (w == StopInbox::Wait::Stopped) return std::nullopt;
      if (w == StopInbox::Wait::TimedOut) return -1;
    }
    return static_cast<long>(n);
  }

  // One receive call, waiting at most `waitMs` for the first byte; -1 when nothing came.
  std::optional<long> ReceiveOnce(const Socket& s, void* buffer, std::size_t n, std::uint32_t waitMs) {
    StopInbox::Wait w = inbox_.WaitFor(s.fd(), POLLIN, waitMs);
    if (w == StopInbox::Wait::Stopped) return std::nullopt;
    if (w == StopInbox::Wait::TimedOut) return -1;
    return static_cast<long>(::recv(s.fd(), buffer, n, MSG_DONTWAIT));
  }

  void Negotiate() {
    phase_ = VideoSessionPhase::ConnectingToRelay;
    Socket relay;
    std::optional<int> connected = Connect(request_.relayAddress, kRelayPort, relay);
    if (!connected) return;
    if (*connected != 0) return Fail(relay, "connect", *connected);
    phase_ = VideoSessionPhase::AwaitingRelay;

    // Ask for the camera: its number as decimal text in 4 bytes, NUL-padded. A number
    // that does not fit is not asked for (it would name another camera).
    auto header = WriteVideoHeader(kAskCamera);
    auto camera = WriteCameraText(request_.camera);
    if (!camera) return Fail(relay, "send1", -1);
    long sent = SendBlock(relay, header.data(), header.size());
    if (sent != static_cast<long>(header.size())) return Fail(relay, "send1", sent);
    sent = SendBlock(relay, camera->data(), camera->size());
    if (sent != static_cast<long>(camera->size())) return Fail(relay, "send1", sent);

    std::uint8_t reply[kRelayReplySize];
    std::optional<long> got = Receive(relay, reply, sizeof reply, Timeouts().relayReplyIdleMs);
    if (!got) return;
    if (*got != static_cast<long>(sizeof reply)) return Fail(relay, "recv1", *got);

    header = WriteVideoHeader(kEndRelayDialogue);
    std::uint8_t trailing[kRelayReplySize];
    if (ReadRelayStatus(reply) != kRelayAccepted) {
      // Refused: end the dialogue; the log carries what the relay's closing read gave.
      sent = SendBlock(relay, header.data(), header.size());
      if (sent != static_cast<long>(header.size())) return Fail(relay, "send1", sent);
      got = ReceiveOnce(relay, trailing, sizeof trailing, Timeouts().relayAddressIdleMs);
      if (!got) return;
      return Fail(relay, "recv1", *got);
    }

    std::uint8_t videoServer[kVideoServerAddressSize + kVideoServerPortSize];
    got = Receive(relay, videoServer, kVideoServerAddressSize, Timeouts().relayAddressIdleMs);
    if (!got) return;
    if (*got != static_cast<long>(kVideoServerAddressSize)) return Fail(relay, "recv1", *got);
    got = Receive(relay, videoServer + kVideoServerAddressSize, kVideoServerPortSize, Timeouts().relayAddressIdleMs);
    if (!got) return;
    if (*got != static_cast<long>(kVideoServerPortSize)) return Fail(relay, "recv1", *got);
    sent = SendBlock(relay, header.data(), header.size());
    if (sent != static_cast<long>(header.size())) return Fail(relay, "send1", sent);
    if (!ReceiveOnce(relay, trailing, sizeof trailing, Timeouts().relayAddressIdleMs)) return;
    relay.Close();

    // The address text ends at its NUL within the 24 bytes; without one it names nothing.
    const VideoServer video = *ReadVideoServer(videoServer);

    phase_ = VideoSessionPhase::ConnectingToVideoServer;
    Socket stream;
    connected = Connect(video.address, video.port, stream);
    if (!connected) return;
    if (*connected != 0) return Fail(stream, "connect", *connected);
    header = WriteVideoHeader(kStartStream);
    sent = SendBlock(stream, header.data(), header.size());
    if (sent != static_cast<long>(header.size())) return Fail(stream, "send1", sent);

    CctvPlayer player;
    if (player.Start(request_.window, kVideoFormat, stream) != 0) return Fail(stream, "player", -1);
    phase_ = VideoSessionPhase::Streaming;
    while (inbox_.Pause(std::max<std::uint32_t>(Timeouts().sessionPollMs, 1))) {
    }
    player.Stop();
  }

  SessionRequest request_;
  StopInbox inbox_;
  std::atomic<VideoSessionPhase>& phase_;
};

// The process's one session. `control_` lets one start or stop run at a time; the
// session's own threads never take it, so a stop may hold it while it waits for them.
class VideoSession {
 public:
  // A session still running when the process ends is stopped like code 161 would.
  ~VideoSession() { Stop(); }

  void Start(SessionRequest request) {
    std::lock_guard lock(control_);
    // One session at a time: a second start ends the first, whose threads would
    // otherwise run on unstoppable and draw into the same window.
    StopLocked();
    auto event = std::make_unique<AutoResetEvent>();
    if (!event->valid()) {
      // No handle to name in the stop message: a session started now could never be
      // stopped. It is not started.
      WriteLog("ZMNT:CreateEvent:=0");
      return;
    }
    stops_ = std::make_unique<SlotQueue>(SlotQueueKind::Message, kStopQueueSlots);
    stopEvent_ = std::move(event);
    phase_ = VideoSessionPhase::Starting;
    thread_ = std::thread([request = std::move(request), &stops = *stops_, &phase = phase_]() mutable {
      SessionThread(std::move(request), stops, phase).Run();
    });
  }

  void Stop() {
    std::lock_guard lock(control_);
    StopLocked();
  }

  VideoSessionPhase phase() const { return phase_.load(); }

 private:
  void StopLocked() {
    if (!thread_.joinable()) return;
    // The queue is the session's own and only a stop is ever put into it: it has room.
    PostStopMessage(*stops_, *stopEvent_);
    stopEvent_->Wait();
    thread_.join();
    stopEvent_.reset();
    stops_.reset();
    phase_ = VideoSessionPhase::None;
  }

  std::mutex control_;
  std::thread thread_;
  std::unique_ptr<SlotQueue> stops_;
  std::unique_ptr<AutoResetEvent> stopEvent_;
  std::atomic<VideoSessionPhase> phase_{VideoSessionPhase::None};
};

VideoSession& Session() {
  static VideoSession session;
  return session;
}

}  // namespace

void StartVideoSession(const void* request) {
  if (request == nullptr) return;
  // Longer than a dotted IPv4 text: no address (the connection fails and is logged).
  Session().Start(*protocol::ReadVideoStartRequest(
      std::span(static_cast<const std::uint8_t*>(request), protocol::kVideoStartRequestSize)));
}

void StopVideoSession() { Session().Stop(); }

bool VideoSessionRunning() { return Session().phase() != VideoSessionPhase::None; }

VideoSessionPhase CurrentVideoSessionPhase() { return Session().phase(); }

}  // namespace zmntp
