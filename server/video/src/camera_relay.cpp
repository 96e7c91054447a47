#include "camera_relay.h"
#include "listener.h"

#include <array>
#include <cstring>

#include "camera_clips.h"
#include "kavrel/little_endian.h"

namespace kavreld {
namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kAddressTextSize = 24;

}  // namespace

std::optional<std::uint32_t> ParseCameraText(const std::uint8_t text[4]) {
  std::uint32_t camera = 0;
  std::size_t digits = 0;
  while (digits < 4 && text[digits] >= '0' && text[digits] <= '9') camera = camera * 10 + (text[digits++] - '0');
  if (digits == 0) return std::nullopt;
  for (std::size_t i = digits; i < 4; ++i)
    if (text[i] != 0) return std::nullopt;
  return camera;
}

// One client's dialogue: ask, answer, end, answer, close.
struct CameraRelay::Dialogue : std::enable_shared_from_this<Dialogue> {
  Dialogue(CameraRelay& owner, asio::ip::tcp::socket s, AddressLimit::Slot slot)
      : owner(&owner), socket(std::move(s)), slot(std::move(slot)), deadline(socket.get_executor()) {}

  void Begin() {
    auto self = shared_from_this();
    Read(asio::buffer(request), [self] {
      const auto& r = self->request;
      if (r[0] != 3 || r[1] != 1 || kavrel::ReadU32(r.data(), 2) != 4) return self->End();
      self->Answer(ParseCameraText(r.data() + kHeaderSize));
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
    reply.assign(8, 0);
    kavrel::WriteU32(reply.data(), 0, accepted ? 1 : 0);
    if (accepted) {
      std::string address = video.NamedAddress(local.address());
      reply.resize(8 + kAddressTextSize + 4, 0);
      std::memcpy(reply.data() + 8, address.data(), std::min(address.size(), kAddressTextSize - 1));
      kavrel::WriteU32(reply.data(), 8 + kAddressTextSize, *port);
    }
    owner->log_("relay: camera " + (camera ? std::to_string(*camera) : std::string("?")) +
                (accepted ? " named to " + remote.address().to_string() + " on port " + std::to_string(*port)
                          : " refused to " + remote.address().to_string()));
    auto self = shared_from_this();
    Write([self] {
      self->Read(asio::buffer(self->request.data(), kHeaderSize), [self] {
        const auto& r = self->request;
        if (r[0] != 3 || r[1] != 2 || kavrel::ReadU32(r.data(), 2) != 0) return self->End();
        self->reply.assign(8, 0);
        kavrel::WriteU32(self->reply.data(), 0, self->accepted ? 1 : 0);
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
  std::array<std::uint8_t, kHeaderSize + 4> request{};
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
