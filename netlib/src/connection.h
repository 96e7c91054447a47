// One request to the traffic server: connection with retries, request header,
// receives with an idle time-out, the ordinary length-prefixed reply and the debug log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zmntp {

constexpr int kConnectAttempts = 5;
constexpr std::uint32_t kConnectRetryMs = 500;
constexpr int kReceiveBufferBytes = 20480;
// A reply longer than this is refused rather than allocated.
constexpr std::uint32_t kMaxReplyLength = 16u * 1024 * 1024;

// Time limits of the exchanges; tests shorten them.
struct NetTimeouts {
  std::uint32_t replyIdleMs = 30000;    // ordinary replies and speed replies, since the last byte
  // A whole request, from its first connect attempt: a few idle times, so that a server
  // that trickles its reply cannot hold the caller for minutes.
  std::uint32_t requestDeadlineMs = 90000;
  std::uint32_t connectWaitMs = 10000;  // one connect attempt
  std::uint32_t bulkSizeIdleMs = 20000;  // the bulk reply's length word
  std::uint32_t bulkDataIdleMs = 30000;  // the bulk reply's bytes
  // Video session.
  std::uint32_t relayReplyIdleMs = 10000;   // the camera relay's answer
  std::uint32_t relayAddressIdleMs = 3000;  // the video server's address and port; the relay's closing bytes
  std::uint32_t streamIdleMs = 6000;        // each read of the video stream
  std::uint32_t sessionPollMs = 1000;       // the streaming session's look at its stop queue
  std::uint32_t waitForStopPollMs = 500;    // the same after a failure
  std::uint32_t renderFirstPauseMs = 500;   // the renderer's pause before the first frame
};
NetTimeouts& Timeouts();

// Appends one line to the debug log ".\DBM.TXT". `text` is UTF-8.
void WriteLog(const std::string& text);
// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// An owned socket descriptor, closed when it goes.
class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() { Close(); }
  Socket(Socket&& o) noexcept : fd_(o.fd_), deadline_(o.deadline_) { o.fd_ = -1; }
  Socket& operator=(Socket&& o) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Close();
  // The tick count by which the request on this connection must be done (none: no limit).
  void SetDeadline(std::uint32_t tick) { deadline_ = tick; }
  const std::optional<std::uint32_t>& deadline() const { return deadline_; }

 private:
  int fd_ = -1;
  std::optional<std::uint32_t> deadline_;
};

// Connects to `address` (dotted IPv4, no name lookup) at `port`: up to five attempts,
// 500 ms after each failure (`*count` = 0 at each when given). Then sets the receive
// buffer and sends the request header. Returns 0 with the connected socket, 1 when no
// attempt succeeded, 2 when the header did not go out whole (each logged). The socket
// carries the request's deadline, counted from the first attempt.
int OpenRequest(const char* address, unsigned long port, std::uint32_t wireCode, unsigned long* count,
                Socket& out);

// One send call of the whole block; returns what send returned.
long SendBlock(const Socket& s, const void* data, std::size_t n);

// Receives exactly n bytes. Returns n; 0 when the peer closed first; -1 when nothing
// arrived for `idleMs` since the last byte (or on a socket error), or when the socket's
// request deadline passed (logged as "ZMNT:deadline:=MS"). Bytes taken before a failure
// are not given back.
long RecvWithTimeout(const Socket& s, void* buffer, std::size_t n, std::uint32_t idleMs);

}  // namespace zmntp
