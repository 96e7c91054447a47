#include "video_streamer.h"
#include "listener.h"

#include <array>

#include "camera_clips.h"
#include "kavrel/little_endian.h"

namespace kavreld {

// One client's stream: start header, then frames until the client closes.
struct VideoStreamer::Stream : std::enable_shared_from_this<Stream> {
  Stream(VideoStreamer& owner, asio::ip::tcp::socket s)
      : owner(&owner), socket(std::move(s)), pace(socket.get_executor()), deadline(socket.get_executor()) {}

  void Begin() {
    auto self = shared_from_this();
    ArmDeadline();
    asio::async_read(socket, asio::buffer(start), [self](std::error_code ec, std::size_t) {
      if (ec || self->ended) return self->End("no start header");
      if (self->start[0] != 2 || self->start[1] != 1 || kavrel::ReadU32(self->start.data(), 2) != 0)
        return self->End("not a stream start");
      self->Open();
    });
  }

  void Open() {
    std::error_code ec;
    asio::ip::address client = socket.remote_endpoint(ec).address();
    std::optional<std::uint32_t> camera = ec ? std::nullopt : owner->TakeTicket(client);
    if (!camera) return End("no camera named for " + client.to_string());
    std::optional<std::filesystem::path> file = ClipFile(owner->options_.clips, *camera);
    std::optional<Clip> loaded = file ? LoadClip(*file, owner->options_.stillInterval) : std::nullopt;
    if (!loaded) return End("camera " + std::to_string(*camera) + " has no clip");
    clip = std::move(*loaded);
    this->camera = *camera;
    owner->log_("video: camera " + std::to_string(*camera) + " streams to " + client.to_string() + " (" +
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
    kavrel::WriteU32(header.data(), 0, 1);
    kavrel::WriteU32(header.data(), 4, static_cast<std::uint32_t>(picture.size()));
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
  asio::steady_timer pace;
  asio::steady_timer deadline;
  std::array<std::uint8_t, 6> start{};
  std::array<std::uint8_t, 8> header{};
  std::array<std::uint8_t, 64> scratch{};
  Clip clip;
  std::optional<std::uint32_t> camera;
  std::size_t index = 0;
  std::uint64_t sent = 0;
  std::chrono::steady_clock::time_point next;
  bool ended = false;
};

VideoStreamer::VideoStreamer(asio::io_context& io, VideoStreamerOptions options, VideoLog log)
    : io_(io), options_(std::move(options)), log_(std::move(log)), acceptor_(io) {
  if (!log_) log_ = [](const std::string&) {};
}

VideoStreamer::~VideoStreamer() { Stop(); }

bool VideoStreamer::Start(std::string& error) {
  if (!Listen(acceptor_, options_.address, options_.port, "video server", error)) return false;
  Accept();
  return true;
}

void VideoStreamer::Stop() {
  std::error_code ignored;
  acceptor_.close(ignored);
  auto streams = std::move(streams_);
  streams_.clear();
  activeStreams_ = 0;
  for (const auto& s : streams) {
    s->owner = nullptr;
    s->End("server stopping");
  }
}

void VideoStreamer::Accept() {
  acceptor_.async_accept([this](std::error_code ec, asio::ip::tcp::socket socket) {
    if (ec == asio::error::operation_aborted || !acceptor_.is_open()) return;
    if (!ec) {
      if (streams_.size() >= options_.maxStreams) {
        std::error_code ignored;
        socket.close(ignored);
      } else {
        auto stream = std::make_shared<Stream>(*this, std::move(socket));
        streams_.insert(stream);
        activeStreams_ = streams_.size();
        stream->Begin();
      }
    }
    Accept();
  });
}

void VideoStreamer::Expect(const asio::ip::address& client, std::uint32_t camera) {
  tickets_[client] = Ticket{camera, std::chrono::steady_clock::now()};
}

std::optional<std::uint32_t> VideoStreamer::TakeTicket(const asio::ip::address& client) {
  auto it = tickets_.find(client);
  if (it == tickets_.end()) return std::nullopt;
  Ticket ticket = it->second;
  tickets_.erase(it);
  if (std::chrono::steady_clock::now() - ticket.given > options_.ticketLife) return std::nullopt;
  return ticket.camera;
}

void VideoStreamer::Ended(const std::shared_ptr<Stream>& stream) {
  streams_.erase(stream);
  activeStreams_ = streams_.size();
}

}  // namespace kavreld
