// Whatever a server sends as a reply: the framing reader and the broadcast-time check
// never read or write outside their buffers.
//
// The reply waits whole in a socket pair whose far side is already shut, so the reader
// goes through its real receive path without a peer thread and never waits: an input
// ends in end-of-stream, not in a time-out. The library's log and broadcast-date file
// are written in the working folder (scripts/fuzz gives every target its own).
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "connection.h"
#include "server_commands.h"

namespace {

// Room in the pair for the largest input a campaign makes (libFuzzer's -max_len).
constexpr int kPairBufferBytes = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The working folder stays as it is: libFuzzer reads the rest of its corpus through
  // the paths it was given, relative ones included.
  zmntp::Timeouts().replyIdleMs = 5;

  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
  zmntp::Socket client(fds[0]);
  zmntp::Socket server(fds[1]);
  ::setsockopt(server.fd(), SOL_SOCKET, SO_SNDBUF, &kPairBufferBytes, sizeof kPairBufferBytes);
  ::setsockopt(client.fd(), SOL_SOCKET, SO_RCVBUF, &kPairBufferBytes, sizeof kPairBufferBytes);
  // The server's whole reply (what does not fit is cut, as by a peer that hung up),
  // then it closes its sending side.
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::send(server.fd(), data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::shutdown(server.fd(), SHUT_WR);

  std::vector<std::uint8_t> reply;
  zmntp::ReplyLogLines lines{"len ", "body ", "", "ack ", "long "};
  if (zmntp::ReadOrdinaryReply(client, reply, lines) == 0) zmntp::CheckBroadcastTime(reply);
  return 0;
}
