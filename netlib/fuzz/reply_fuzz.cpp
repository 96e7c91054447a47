// Whatever a server sends as a reply: the framing reader and the broadcast-time check
// never read or write outside their buffers.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "connection.h"
#include "server_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool once = [] {
    auto dir = std::filesystem::temp_directory_path() / ("zmntp-reply-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    zmntp::Timeouts().replyIdleMs = 5;
    return true;
  }();
  (void)once;

  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
  zmntp::Socket client(fds[0]);
  // The peer's whole reply, then it closes its side.
  std::thread peer([&] {
    std::size_t done = 0;
    while (done < size) {
      ssize_t n = ::send(fds[1], data + done, size - done, MSG_NOSIGNAL);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::shutdown(fds[1], SHUT_WR);
  });
  std::vector<std::uint8_t> reply;
  zmntp::ReplyLogLines lines{"len ", "body ", "", "ack ", "long "};
  if (zmntp::ReadOrdinaryReply(client, reply, lines) == 0) zmntp::CheckBroadcastTime(reply);
  peer.join();
  ::close(fds[1]);
  return 0;
}
