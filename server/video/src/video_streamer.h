// The video server: streams a camera's clip to a client in real time. The client opens
// the stream with the 6-byte header {2, 1, 0}; the camera is the one the camera relay
// last named to that client's address (CameraRelay calls Expect). Each frame is an
// 8-byte header {u32 1, u32 length} and one H.263 picture; the clip loops, paced at its
// own frame rate, until the client closes the connection.
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

namespace kavreld {

using VideoLog = std::function<void(const std::string&)>;

struct VideoStreamerOptions {
  std::string address = "127.0.0.1";
  std::uint16_t port = 6100;
  std::filesystem::path clips;  // "<camera>.263"
  // Frame interval of a clip whose pictures give none (a single picture).
  std::chrono::microseconds stillInterval{100000};
  // A client that sends no start header, or takes no frame, for this long is dropped.
  std::chrono::milliseconds idleTimeout{10000};
  // How long the relay's naming of a camera stays good for the client's stream.
  std::chrono::milliseconds ticketLife{30000};
  std::size_t maxStreams = 64;
};

class VideoStreamer {
 public:
  struct Stream;

  VideoStreamer(asio::io_context& io, VideoStreamerOptions options, VideoLog log);
  ~VideoStreamer();
  VideoStreamer(const VideoStreamer&) = delete;
  VideoStreamer& operator=(const VideoStreamer&) = delete;

  // Binds and starts accepting; false and `error` set when the address cannot be used.
  bool Start(std::string& error);
  // Stops accepting and ends every stream.
  void Stop();

  // The next stream from `client` shows `camera` (called by the relay).
  void Expect(const asio::ip::address& client, std::uint32_t camera);
  const VideoStreamerOptions& options() const { return options_; }
  // Streams open now (readable from any thread).
  std::size_t ActiveStreams() const { return activeStreams_.load(); }

 private:
  friend struct Stream;
  void Accept();
  // The camera named for `client`, used up by this call.
  std::optional<std::uint32_t> TakeTicket(const asio::ip::address& client);
  void Ended(const std::shared_ptr<Stream>& stream);

  struct Ticket {
    std::uint32_t camera;
    std::chrono::steady_clock::time_point given;
  };

  asio::io_context& io_;
  VideoStreamerOptions options_;
  VideoLog log_;
  asio::ip::tcp::acceptor acceptor_;
  std::map<asio::ip::address, Ticket> tickets_;
  std::set<std::shared_ptr<Stream>> streams_;
  std::atomic<std::size_t> activeStreams_{0};
};

}  // namespace kavreld
