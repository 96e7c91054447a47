// The camera relay: a client asks for a camera with the 6-byte header {3, 1, 4} and the
// camera number as 4 characters of decimal text (NUL-padded). The relay answers 8
// bytes {u32 status, u32 0}: 0 for a camera without a clip (or when the video server
// has no port free for it); 1 followed by the video server's address (24 bytes of
// dotted IPv4 text, NUL-padded) and the port of the camera's ticket (u32) for a
// camera with one. The client ends the dialogue with {3, 2, 0}; the relay answers
// 8 bytes {u32 status, u32 0} again and closes.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

// After a standard header: Asio picks its allocator from what the library declares.
#include <asio.hpp>

#include "video_streamer.h"

namespace kavreld {

struct CameraRelayOptions {
  std::string address = "127.0.0.1";
  std::uint16_t port = 6000;
  // A client silent this long in the middle of the dialogue is dropped.
  std::chrono::milliseconds idleTimeout{10000};
  std::size_t maxConnections = 256;
  std::size_t maxPerAddress = kDefaultConnectionsPerAddress;
};

// The camera number of a 4-byte request text: decimal digits, then NULs only.
std::optional<std::uint32_t> ParseCameraText(const std::uint8_t text[4]);

class CameraRelay {
 public:
  struct Dialogue;

  // Names cameras of `streamer`'s clip folder and hands each to it.
  CameraRelay(asio::io_context& io, VideoStreamer& streamer, CameraRelayOptions options, VideoLog log);
  ~CameraRelay();
  CameraRelay(const CameraRelay&) = delete;
  CameraRelay& operator=(const CameraRelay&) = delete;

  bool Start(std::string& error);
  void Stop();

 private:
  friend struct Dialogue;
  void Accept();

  asio::io_context& io_;
  VideoStreamer& streamer_;
  CameraRelayOptions options_;
  VideoLog log_;
  asio::ip::tcp::acceptor acceptor_;
  std::shared_ptr<AddressLimit> perAddress_;
  std::set<std::shared_ptr<Dialogue>> dialogues_;
};

}  // namespace kavreld
