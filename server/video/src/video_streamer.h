// The video server: streams a camera's clip to a client in real time. The client opens
// the stream with the 6-byte header {2, 1, 0}, which does not say which camera it
// wants; so every camera the relay names gets a port of its own (a ticket): the relay
// answers that port, and the first connection to it from the address the relay
// answered streams that camera. Two viewers behind one address, or one client that
// asks for two cameras before it connects, each get the camera they asked for. A
// ticket's port listens only until its stream opens or the ticket's life ends, then
// returns to the range. Each frame is an 8-byte header {u32 1, u32 length} and one
// H.263 picture; the clip loops, paced at its own frame rate, until the client closes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

// After a standard header: Asio picks its allocator from what the library declares.
#include <asio.hpp>

#include "address_limit.h"

namespace kavreld {

using VideoLog = std::function<void(const std::string&)>;

struct VideoStreamerOptions {
  std::string address = "127.0.0.1";  // where the tickets' ports listen
  // The address the relay names (a server behind a translating router names the
  // router's); empty: `address`, or for 0.0.0.0 the address the relay was reached on.
  std::string publicAddress;
  // Tickets take ports `port` .. `port + ports - 1`: one per camera named and not yet
  // streamed.
  std::uint16_t port = 6100;
  std::uint16_t ports = 64;
  std::filesystem::path clips;  // "<camera>.263"
  // Frame interval of a clip whose pictures give none (a single picture).
  std::chrono::microseconds stillInterval{100000};
  // A client that sends no start header, or takes no frame, for this long is dropped.
  std::chrono::milliseconds idleTimeout{10000};
  // How long a ticket waits for its stream.
  std::chrono::milliseconds ticketLife{30000};
  std::size_t maxStreams = 64;
  // Streams, and tickets waiting, of one client address.
  std::size_t maxPerAddress = kDefaultConnectionsPerAddress;
};

class VideoStreamer {
 public:
  struct Stream;
  struct Ticket;

  VideoStreamer(asio::io_context& io, VideoStreamerOptions options, VideoLog log);
  ~VideoStreamer();
  VideoStreamer(const VideoStreamer&) = delete;
  VideoStreamer& operator=(const VideoStreamer&) = delete;

  // Checks the listening address and that the range's first port can be listened on;
  // false and `error` set when not.
  bool Start(std::string& error);
  // Closes every ticket's port and ends every stream.
  void Stop();

  // A ticket: the port on which the next connection from `client` streams `camera`
  // (called by the relay). Nothing when every port of the range is in use or `client`
  // has its share of tickets waiting.
  std::optional<std::uint16_t> Expect(const asio::ip::address& client, std::uint32_t camera);
  // The address the relay names, for a relay reached on `local`.
  std::string NamedAddress(const asio::ip::address& local) const;
  const VideoStreamerOptions& options() const { return options_; }
  // Streams open now (readable from any thread).
  std::size_t ActiveStreams() const { return activeStreams_.load(); }

 private:
  friend struct Stream;
  friend struct Ticket;
  void Open(asio::ip::tcp::socket socket, std::uint32_t camera);
  void Ended(const std::shared_ptr<Stream>& stream);
  void Closed(std::uint16_t port);

  asio::io_context& io_;
  VideoStreamerOptions options_;
  VideoLog log_;
  std::map<std::uint16_t, std::shared_ptr<Ticket>> tickets_;  // by port
  std::shared_ptr<AddressLimit> ticketsPerAddress_;
  std::shared_ptr<AddressLimit> streamsPerAddress_;
  std::set<std::shared_ptr<Stream>> streams_;
  std::atomic<std::size_t> activeStreams_{0};
  bool running_ = false;
};

}  // namespace kavreld
