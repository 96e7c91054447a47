#include "camera_relay.h"
#include "listener.h"

#include <array>
#include <cstring>

#include "camera_clips.h"
#include "protocol/video.h"

namespace kavreld {
using namespace protocol;

// One client's dialogue: ask, answer, end, answer, close.
struct CameraRelay::Dialogue : std::enable_shared_from_this<Dialogue> {
  Dialogue(CameraRelay& owner, asio::ip::tcp::socket s, AddressLimit::Slot slot)
      : owner(&owner), socket(std::move(s)), slot(std::move(slot)), deadline(socket.get_executor()) {}

  void Begin() {
    auto self = shared_from_this();
    Read(asio::buffer(request), [self] {
      const auto& r = self->request;
      if (ReadVideoHeader(r) != kAskCamera) return self->End();
      self->Answer(ReadCameraText(std::span(r).subspan(kVideoHeaderSize)));
    });
  }

  void Answer(std::optional<std::uint32_t> camera) {
    std::error_code ec;
    asio::ip::tcp::endpoint local = socket.local_endpoint(ec);
    asio::ip::tcp::endpoint remote = ec ? asio::ip::tcp::endpoint() : socket.remote_endpoint(ec);
    VideoStreamer& video = owner->streamer_;
    std::optional<std::uint16_t> port;
    if (!ec && camera && ClipFile(video.options().clips, *camera)) port = video.Expect(remote.address(), *camera);
    accepted = port.has_value();
    auto status = WriteRelayReply(accepted ? kRelayAccepted : kRelayRefused);
    reply.assign(status.begin(), status.end());
    if (accepted) {
      auto named = WriteVideoServer({video.NamedAddress(local.address()), *port});
      reply.insert(reply.end(), named.begin(), named.end());
    }
    owner->log_("relay: camera " + (camera ? std::to_string(*camera) : std::string("?")) +
                (accepted ? " named to " + remote.address().to_string() + " on port " + std::to_string(*port)
                          : " refused to " + remote.address().to_string()));
    auto self = shared_from_this();
    Write([self] {
      self->Read(asio::buffer(self->request.data(), kVideoHeaderSize), [self] {
        if (ReadVideoHeader(self->request) != kEndRelayDialogue) return self->End();
        auto status = WriteRelayReply(self->accepted ? kRelayAccepted : kRelayRefused);
        self->reply.assign(status.begin(), status.end());
        self->Write([self] { self->End(); });
      });
    });
  }

  template <typename Then>
  void Read(asio::mutable_buffer buffer, Then then) {
    Arm();
    auto self = shared_from_this();
    asio::async_read(socket, buffer, [self, then](std::error_code ec, std::size_t) {
      if (ec || self->ended) return self->End();
      then();
    });
  }

  template <typename Then>
  void Write(Then then) {
    Arm();
    auto self = shared_from_this();
    asio::async_write(socket, asio::buffer(reply), [self, then](std::error_code ec, std::size_t) {
      if (ec || self->ended) return self->End();
      then();
    });
  }

  void Arm() {
    deadline.expires_after(owner->options_.idleTimeout);
    std::weak_ptr<Dialogue> weak = shared_from_this();
    deadline.async_wait([weak](std::error_code ec) {
      if (auto self = weak.lock(); self && !ec) self->End();
    });
  }

  void End() {
    if (ended) return;
    ended = true;
    std::error_code ignored;
    deadline.cancel();
    socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    if (owner) owner->dialogues_.erase(shared_from_this());
  }

  CameraRelay* owner;
  asio::ip::tcp::socket socket;
  AddressLimit::Slot slot;
  asio::steady_timer deadline;
  std::array<std::uint8_t, kVideoHeaderSize + kCameraTextSize> request{};
  std::vector<std::uint8_t> reply;
  bool accepted = false;
  bool ended = false;
};

CameraRelay::CameraRelay(asio::io_context& io, VideoStreamer& streamer, CameraRelayOptions options, VideoLog log)
    : io_(io),
      streamer_(streamer),
      options_(std::move(options)),
      log_(std::move(log)),
      acceptor_(io),
      perAddress_(AddressLimit::Create(options_.maxPerAddress)) {
  if (!log_) log_ = [](const std::string&) {};
}

CameraRelay::~CameraRelay() { Stop(); }

bool CameraRelay::Start(std::string& error) {
  if (!Listen(acceptor_, options_.address, options_.port, "camera relay", error)) return false;
  Accept();
  return true;
}

void CameraRelay::Stop() {
  std::error_code ignored;
  acceptor_.close(ignored);
  auto dialogues = std::move(dialogues_);
  dialogues_.clear();
  for (const auto& d : dialogues) {
    d->owner = nullptr;
    d->End();
  }
}

void CameraRelay::Accept() {
  acceptor_.async_accept([this](std::error_code ec, asio::ip::tcp::socket socket) {
    if (ec == asio::error::operation_aborted || !acceptor_.is_open()) return;
    if (!ec) {
      std::error_code peerError;
      asio::ip::address peer = socket.remote_endpoint(peerError).address();
      std::optional<AddressLimit::Slot> slot;
      if (!peerError && dialogues_.size() < options_.maxConnections) slot = perAddress_->Take(peer);
      if (!slot) {
        if (!peerError) log_("relay: " + peer.to_string() + " refused: too many connections");
        std::error_code ignored;
        socket.close(ignored);
      } else {
        auto dialogue = std::make_shared<Dialogue>(*this, std::move(socket), std::move(*slot));
        dialogues_.insert(dialogue);
        dialogue->Begin();
      }
    }
    Accept();
  });
}

}  // namespace kavreld
