#include "video_streamer.h"
#include "listener.h"

#include <array>

#include "camera_clips.h"
#include "protocol/video.h"

namespace kavreld {

// One client's stream: start header, then frames until the client closes.
struct VideoStreamer::Stream : std::enable_shared_from_this<Stream> {
  Stream(VideoStreamer& owner, asio::ip::tcp::socket s, AddressLimit::Slot slot, std::uint32_t camera)
      : owner(&owner),
        socket(std::move(s)),
        slot(std::move(slot)),
        pace(socket.get_executor()),
        deadline(socket.get_executor()),
        asked(camera) {}

  void Begin() {
    auto self = shared_from_this();
    ArmDeadline();
    asio::async_read(socket, asio::buffer(start), [self](std::error_code ec, std::size_t) {
      if (ec || self->ended) return self->End("no start header");
      if (protocol::ReadVideoHeader(self->start) != protocol::kStartStream)
        return self->End("not a stream start");
      self->Open();
    });
  }

  void Open() {
    std::error_code ec;
    asio::ip::address client = socket.remote_endpoint(ec).address();
    std::optional<std::filesystem::path> file = ClipFile(owner->options_.clips, asked);
    std::optional<Clip> loaded = file ? LoadClip(*file, owner->options_.stillInterval) : std::nullopt;
    if (!loaded) return End("camera " + std::to_string(asked) + " has no clip");
    clip = std::move(*loaded);
    camera = asked;
    owner->log_("video: camera " + std::to_string(asked) + " streams to " + client.to_string() + " (" +
                std::to_string(clip.pictures.size()) + (clip.pictures.size() == 1 ? " picture)" : " pictures)"));
    // The client sends nothing more: a read that ends is its close.
    auto self = shared_from_this();
    socket.async_read_some(asio::buffer(scratch), [self](std::error_code, std::size_t) { self->End("closed"); });
    next = std::chrono::steady_clock::now();
    SendFrame();
  }

  void SendFrame() {
    if (ended) return;
    const std::vector<std::uint8_t>& picture = clip.pictures[index];
    header = protocol::WriteFrameHeader({protocol::kPictureFrame, static_cast<std::uint32_t>(picture.size())});
    std::array<asio::const_buffer, 2> frame{asio::buffer(header), asio::buffer(picture)};
    ArmDeadline();
    auto self = shared_from_this();
    asio::async_write(socket, frame, [self](std::error_code ec, std::size_t) {
      if (ec || self->ended) return self->End("closed");
      self->deadline.cancel();
      ++self->sent;
      self->next += self->clip.intervals[self->index];
      self->index = (self->index + 1) % self->clip.pictures.size();
      // A client that fell behind gets the next frame at once, not a burst to catch up.
      auto now = std::chrono::steady_clock::now();
      if (self->next < now) self->next = now;
      self->pace.expires_at(self->next);
      self->pace.async_wait([self](std::error_code waitError) {
        if (!waitError) self->SendFrame();
      });
    });
  }

  void ArmDeadline() {
    deadline.expires_after(owner->options_.idleTimeout);
    std::weak_ptr<Stream> weak = shared_from_this();
    deadline.async_wait([weak](std::error_code ec) {
      if (auto self = weak.lock(); self && !ec) self->End("idle");
    });
  }

  void End(const std::string& why) {
    if (ended) return;
    ended = true;
    std::error_code ignored;
    pace.cancel();
    deadline.cancel();
    socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    if (owner) {
      if (camera) owner->log_("video: camera " + std::to_string(*camera) + " stream ended (" + why + ") after " +
                              std::to_string(sent) + " frames");
      owner->Ended(shared_from_this());
    }
  }

  VideoStreamer* owner;
  asio::ip::tcp::socket socket;
  AddressLimit::Slot slot;
  asio::steady_timer pace;
  asio::steady_timer deadline;
  std::uint32_t asked;  // the ticket's camera
  std::array<std::uint8_t, protocol::kVideoHeaderSize> start{};
  std::array<std::uint8_t, protocol::kFrameHeaderSize> header{};
  std::array<std::uint8_t, 64> scratch{};
  Clip clip;
  std::optional<std::uint32_t> camera;  // once its clip is loaded
  std::size_t index = 0;
  std::uint64_t sent = 0;
  std::chrono::steady_clock::time_point next;
  bool ended = false;
};

// A camera named to a client: a port that listens for that client's stream.
struct VideoStreamer::Ticket : std::enable_shared_from_this<Ticket> {
  Ticket(VideoStreamer& owner, asio::ip::tcp::acceptor a, asio::ip::address client, std::uint32_t camera,
         AddressLimit::Slot slot)
      : owner(&owner),
        acceptor(std::move(a)),
        life(acceptor.get_executor()),
        client(client),
        camera(camera),
        slot(std::move(slot)) {}

  void Begin(std::chrono::milliseconds lifetime) {
    life.expires_after(lifetime);
    std::weak_ptr<Ticket> weak = shared_from_this();
    life.async_wait([weak](std::error_code ec) {
      auto self = weak.lock();
      if (!self || ec || !self->owner) return;
      self->owner->log_("video: camera " + std::to_string(self->camera) + " not fetched by " +
                        self->client.to_string() + " in time");
      self->Close();
    });
    Accept();
  }

  void Accept() {
    auto self = shared_from_this();
    acceptor.async_accept([self](std::error_code ec, asio::ip::tcp::socket socket) {
      if (ec == asio::error::operation_aborted || !self->owner || !self->acceptor.is_open()) return;
      if (ec) return self->Accept();
      std::error_code peerError;
      asio::ip::address peer = socket.remote_endpoint(peerError).address();
      if (peerError || peer != self->client) {
        // Someone else on this ticket's port: not the viewer it was made for.
        std::error_code ignored;
        socket.close(ignored);
        return self->Accept();
      }
      VideoStreamer* owner = self->owner;
      self->Close();
      owner->Open(std::move(socket), self->camera);
    });
  }

  // Closes the port and gives it back to the range.
  void Close() {
    std::error_code ignored;
    life.cancel();
    acceptor.close(ignored);
    VideoStreamer* o = owner;
    owner = nullptr;
    if (o) o->Closed(acceptor_port);
  }

  VideoStreamer* owner;
  asio::ip::tcp::acceptor acceptor;
  asio::steady_timer life;
  asio::ip::address client;
  std::uint32_t camera;
  AddressLimit::Slot slot;
  std::uint16_t acceptor_port = 0;
};

VideoStreamer::VideoStreamer(asio::io_context& io, VideoStreamerOptions options, VideoLog log)
    : io_(io),
      options_(std::move(options)),
      log_(std::move(log)),
      ticketsPerAddress_(AddressLimit::Create(options_.maxPerAddress)),
      streamsPerAddress_(AddressLimit::Create(options_.maxPerAddress)) {
  if (!log_) log_ = [](const std::string&) {};
}

VideoStreamer::~VideoStreamer() { Stop(); }

bool VideoStreamer::Start(std::string& error) {
  if (options_.ports == 0 || options_.port + options_.ports - 1 > 65535) {
    error = "video server: ports " + std::to_string(options_.port) + " and " + std::to_string(options_.ports) +
            " after it do not fit";
    return false;
  }
  asio::ip::tcp::acceptor probe(io_);
  if (!Listen(probe, options_.address, options_.port, "video server", error)) return false;
  std::error_code ignored;
  probe.close(ignored);
  running_ = true;
  return true;
}

void VideoStreamer::Stop() {
  running_ = false;
  auto tickets = std::move(tickets_);
  tickets_.clear();
  for (auto& [port, ticket] : tickets) {
    ticket->owner = nullptr;
    ticket->Close();
  }
  auto streams = std::move(streams_);
  streams_.clear();
  activeStreams_ = 0;
  for (const auto& s : streams) {
    s->owner = nullptr;
    s->End("server stopping");
  }
}

std::optional<std::uint16_t> VideoStreamer::Expect(const asio::ip::address& client, std::uint32_t camera) {
  if (!running_) return std::nullopt;
  std::optional<AddressLimit::Slot> slot = ticketsPerAddress_->Take(client);
  if (!slot) {
    log_("video: " + client.to_string() + " has " + std::to_string(ticketsPerAddress_->perAddress()) +
         " cameras waiting already");
    return std::nullopt;
  }
  for (std::uint32_t k = 0; k < options_.ports; ++k) {
    auto port = static_cast<std::uint16_t>(options_.port + k);
    if (tickets_.count(port)) continue;
    asio::ip::tcp::acceptor acceptor(io_);
    std::string error;
    if (!Listen(acceptor, options_.address, port, "video server", error)) continue;  // taken by another program
    auto ticket = std::make_shared<Ticket>(*this, std::move(acceptor), client, camera, std::move(*slot));
    ticket->acceptor_port = port;
    tickets_.emplace(port, ticket);
    ticket->Begin(options_.ticketLife);
    return port;
  }
  log_("video: no port free for camera " + std::to_string(camera) + " to " + client.to_string());
  return std::nullopt;
}

std::string VideoStreamer::NamedAddress(const asio::ip::address& local) const {
  if (!options_.publicAddress.empty()) return options_.publicAddress;
  return options_.address == "0.0.0.0" ? local.to_string() : options_.address;
}

void VideoStreamer::Open(asio::ip::tcp::socket socket, std::uint32_t camera) {
  std::error_code ec;
  asio::ip::address client = socket.remote_endpoint(ec).address();
  std::optional<AddressLimit::Slot> slot;
  if (!ec && streams_.size() < options_.maxStreams) slot = streamsPerAddress_->Take(client);
  if (!slot) {
    log_("video: camera " + std::to_string(camera) + " refused to " + client.to_string() + ": too many streams");
    std::error_code ignored;
    socket.close(ignored);
    return;
  }
  auto stream = std::make_shared<Stream>(*this, std::move(socket), std::move(*slot), camera);
  streams_.insert(stream);
  activeStreams_ = streams_.size();
  stream->Begin();
}

void VideoStreamer::Closed(std::uint16_t port) { tickets_.erase(port); }

void VideoStreamer::Ended(const std::shared_ptr<Stream>& stream) {
  streams_.erase(stream);
  activeStreams_ = streams_.size();
}

}  // namespace kavreld
