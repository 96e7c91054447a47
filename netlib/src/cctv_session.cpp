#include "cctv_session.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "cctv_player.h"
#include "connection.h"
#include "kavrel/clock.h"
#include "kavrel/little_endian.h"
#include "slot_queue.h"
#include "stop_signal.h"

namespace zmntp {
namespace {

constexpr int kVideoFormat = 2;  // QCIF, the only size the cameras send

struct SessionRequest {
  std::uint32_t window = 0;
  std::uint32_t camera = 0;
  std::string relayAddress;
};

// The process's one session.
struct VideoSession {
  std::thread thread;
  std::unique_ptr<SlotQueue> stops;
  std::unique_ptr<AutoResetEvent> stopEvent;

  // A session still running when the process ends is stopped like code 161 would.
  ~VideoSession() { Stop(); }

  void Stop() {
    if (!thread.joinable()) return;
    while (!PostStopMessage(*stops, *stopEvent)) kavrel::Sleep(1);
    stopEvent->Wait();
    thread.join();
    stopEvent.reset();
    stops.reset();
  }
};

VideoSession& Session() {
  static VideoSession session;
  return session;
}

void WriteVideoHeader(std::uint8_t* out, std::uint8_t service, std::uint8_t operation, std::uint32_t length) {
  out[0] = service;
  out[1] = operation;
  kavrel::WriteU32(out, 2, length);
}

// One connect attempt with a bounded wait; 0 or -1 like connect().
int ConnectOnce(int fd, const sockaddr_in& addr) {
  int flags = ::fcntl(fd, F_GETFL, 0);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  if (r != 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    r = -1;
    if (::poll(&p, 1, static_cast<int>(Timeouts().connectWaitMs)) == 1) {
      int err = 0;
      socklen_t len = sizeof err;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) r = 0;
    }
  }
  ::fcntl(fd, F_SETFL, flags);
  return r;
}

// Up to five attempts 500 ms apart; returns the last connect result.
int Connect(const std::string& address, std::uint16_t port, Socket& out) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  bool parsed = ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) == 1;
  int result = -1;
  for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
    out = Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    result = (parsed && out.valid()) ? ConnectOnce(out.fd(), addr) : -1;
    if (result == 0) return 0;
    out.Close();
    kavrel::Sleep(kConnectRetryMs);
  }
  return result;
}

// One receive call, waiting at most `waitMs` for the first byte; -1 when nothing came.
long ReceiveOnce(const Socket& s, void* buffer, std::size_t n, std::uint32_t waitMs) {
  pollfd p{s.fd(), POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&p, 1, static_cast<int>(waitMs));
  } while (ready < 0 && errno == EINTR);
  if (ready != 1) return -1;
  return static_cast<long>(::recv(s.fd(), buffer, n, 0));
}

// After a failure: only the stop message is left to wait for.
void WaitForStop(SlotQueue& stops) {
  for (;;) {
    if (auto event = TakeStopMessage(stops)) return SignalEvent(*event);
    kavrel::Sleep(Timeouts().waitForStopPollMs);
  }
}

void Fail(Socket& s, SlotQueue& stops, const char* what, long value) {
  s.Close();
  WriteLog(Format("ZMNT:%s:=%ld", what, value));
  WaitForStop(stops);
}

void CctvSessionThread(SessionRequest request, SlotQueue& stops) {
  Socket relay;
  int connected = Connect(request.relayAddress, kRelayPort, relay);
  if (connected != 0) return Fail(relay, stops, "connect", connected);

  // Ask for the camera: its number as decimal text in 4 bytes, NUL-padded. A number
  // that does not fit is not asked for (it would name another camera).
  std::uint8_t header[kVideoHeaderSize];
  WriteVideoHeader(header, 3, 1, 4);
  if (request.camera > kLargestCamera) return Fail(relay, stops, "send1", -1);
  char camera[8] = {};
  std::snprintf(camera, sizeof camera, "%u", request.camera);
  long sent = SendBlock(relay, header, sizeof header);
  if (sent != static_cast<long>(sizeof header)) return Fail(relay, stops, "send1", sent);
  sent = SendBlock(relay, camera, 4);
  if (sent != 4) return Fail(relay, stops, "send1", sent);

  std::uint8_t reply[kRelayReplySize];
  long got = RecvWithTimeout(relay, reply, sizeof reply, Timeouts().relayReplyIdleMs);
  if (got != static_cast<long>(sizeof reply)) return Fail(relay, stops, "recv1", got);

  WriteVideoHeader(header, 3, 2, 0);
  std::uint8_t trailing[kRelayReplySize];
  if (kavrel::ReadU32(reply, 0) != kRelayAccepted) {
    // Refused: end the dialogue; the log carries what the relay's closing read gave.
    sent = SendBlock(relay, header, sizeof header);
    if (sent != static_cast<long>(sizeof header)) return Fail(relay, stops, "send1", sent);
    got = ReceiveOnce(relay, trailing, sizeof trailing, Timeouts().relayAddressIdleMs);
    return Fail(relay, stops, "recv1", got);
  }

  std::uint8_t addressText[kRelayAddressSize];
  got = RecvWithTimeout(relay, addressText, sizeof addressText, Timeouts().relayAddressIdleMs);
  if (got != static_cast<long>(sizeof addressText)) return Fail(relay, stops, "recv1", got);
  std::uint8_t portWord[4];
  got = RecvWithTimeout(relay, portWord, sizeof portWord, Timeouts().relayAddressIdleMs);
  if (got != static_cast<long>(sizeof portWord)) return Fail(relay, stops, "recv1", got);
  sent = SendBlock(relay, header, sizeof header);
  if (sent != static_cast<long>(sizeof header)) return Fail(relay, stops, "send1", sent);
  ReceiveOnce(relay, trailing, sizeof trailing, Timeouts().relayAddressIdleMs);
  relay.Close();

  // The address text ends at its NUL within the 24 bytes; without one it names nothing.
  const char* text = reinterpret_cast<const char*>(addressText);
  std::size_t textLength = ::strnlen(text, sizeof addressText);
  std::string videoAddress = textLength < sizeof addressText ? std::string(text, textLength) : std::string();
  auto videoPort = static_cast<std::uint16_t>(kavrel::ReadU32(portWord, 0) & 0xFFFF);

  Socket stream;
  connected = Connect(videoAddress, videoPort, stream);
  if (connected != 0) return Fail(stream, stops, "connect", connected);
  WriteVideoHeader(header, 2, 1, 0);
  sent = SendBlock(stream, header, sizeof header);
  if (sent != static_cast<long>(sizeof header)) return Fail(stream, stops, "send1", sent);

  CctvPlayer player;
  player.Start(request.window, kVideoFormat, stream);
  for (;;) {
    if (auto event = TakeStopMessage(stops)) {
      player.Stop();
      stream.Close();
      return SignalEvent(*event);
    }
    kavrel::Sleep(Timeouts().sessionPollMs);
  }
}

}  // namespace

void StartVideoSession(const void* request) {
  if (request == nullptr) return;
  VideoSession& session = Session();
  // One session at a time: a second start ends the first, whose threads would
  // otherwise run on unstoppable and share the one decoder.
  session.Stop();

  SessionRequest r;
  r.window = kavrel::ReadU32(request, kStartWindowOffset);
  r.camera = kavrel::ReadU32(request, kStartCameraOffset);
  const char* text = static_cast<const char*>(request) + kStartAddressOffset;
  std::size_t length = ::strnlen(text, kAddressTextSize);
  // Longer than a dotted IPv4 text: no address (the connection fails and is logged).
  if (length < kAddressTextSize) r.relayAddress.assign(text, length);

  session.stops = std::make_unique<SlotQueue>(SlotQueueKind::Message, kStopQueueSlots);
  session.stopEvent = std::make_unique<AutoResetEvent>();
  session.thread = std::thread(CctvSessionThread, std::move(r), std::ref(*session.stops));
}

void StopVideoSession() { Session().Stop(); }

bool VideoSessionRunning() { return Session().thread.joinable(); }

}  // namespace zmntp
