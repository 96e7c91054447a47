// The camera relay: answers a client's request for a camera (the dialogue of
// protocol/video.h) by naming the video server and the port of the camera's ticket
// for a camera with a clip, and refusing a camera without one (or when the video
// server has no port free for it); after the client's end of the dialogue it answers
// the status again and closes.
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
