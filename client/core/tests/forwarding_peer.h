// A traffic server in front of a real kavreld for runs of the whole program: it passes
// every connection on to kavreld, notes each request's code, and, when told to, spoils
// the replies on their way back (cut short, a lying length word, garbage records, a
// stall) and answers on the camera relay's port with nonsense.
//
// With `quickRefresh` it answers the refresh periods itself with zero minutes, so that
// the client refreshes as often as its own seconds say.
//
// Whether a connection is spoiled is drawn from a seeded generator, so that a run can
// be repeated; about half of them are, so that the client gets far enough to meet
// every kind of request.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "loopback_listener.h"
#include "server_process.h"
#include "protocol/commands.h"
#include "protocol/records.h"

namespace client::testing {

enum class Spoil { None, CutShort, LyingLength, Garbage, Stall, RelayNonsense };

inline const char* SpoilName(Spoil s) {
  switch (s) {
    case Spoil::None: return "honest";
    case Spoil::CutShort: return "cut-short";
    case Spoil::LyingLength: return "lying-length";
    case Spoil::Garbage: return "garbage";
    case Spoil::Stall: return "stall";
    case Spoil::RelayNonsense: return "relay-nonsense";
  }
  return "?";
}

struct PeerOptions {
  Spoil spoil = Spoil::None;
  unsigned seed = 1;
  std::uint32_t stallMs = 2000;  // how long a stalled reply is held before it goes on
  bool quickRefresh = false;
  int honestFirst = 0;  // connections passed on untouched before any is spoiled
};

class ForwardingPeer {
 public:
  static constexpr std::uint16_t kPort = 7000;
  static constexpr std::uint16_t kRelayPort = 6000;

  // Listens on `front`, passes on to kavreld at `back`.
  ForwardingPeer(std::string front, std::string back, PeerOptions options = {})
      : back_(std::move(back)),
        spoil_(options.spoil),
        random_(options.seed),
        stallMs_(options.stallMs),
        quickRefresh_(options.quickRefresh),
        honestFirst_(options.honestFirst) {
    listener_ = zmntp::testing::ListenOn(front, kPort, 32);
    relayListener_ = zmntp::testing::ListenOn(front, kRelayPort, 8);
    thread_ = std::thread([this] { Accept(); });
  }
  ~ForwardingPeer() {
    stop_ = true;
    thread_.join();
    std::list<std::thread> connections;
    {
      std::lock_guard lock(mutex_);
      connections.swap(connections_);
    }
    for (auto& t : connections) t.join();
    ::close(listener_);
    ::close(relayListener_);
  }
  ForwardingPeer(const ForwardingPeer&) = delete;
  ForwardingPeer& operator=(const ForwardingPeer&) = delete;

  bool listening() const { return listener_ >= 0 && relayListener_ >= 0; }
  // The request codes received, in order of arrival.
  std::vector<std::uint32_t> Codes() {
    std::lock_guard lock(mutex_);
    return codes_;
  }
  int spoiled() const { return spoiled_.load(); }

 private:
  using Clock = std::chrono::steady_clock;

  static bool Readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
  }
  static bool SendAll(int fd, const std::uint8_t* data, std::size_t n) {
    while (n) {
      const ssize_t sent = ::send(fd, data, n, MSG_NOSIGNAL);
      if (sent <= 0) return false;
      data += sent;
      n -= static_cast<std::size_t>(sent);
    }
    return true;
  }
  void Accept() {
    while (!stop_) {
      pollfd p[2] = {{listener_, POLLIN, 0}, {relayListener_, POLLIN, 0}};
      if (::poll(p, 2, 20) <= 0) continue;
      for (int i = 0; i < 2; ++i) {
        if (!(p[i].revents & POLLIN)) continue;
        const int fd = ::accept4(p[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        const bool coin = (random_() & 1) != 0;
        const unsigned draw = static_cast<unsigned>(random_());
        if (i == 0) {
          const bool spoil = spoil_ != Spoil::None && coin && passed_ >= honestFirst_;
          ++passed_;
          connections_.emplace_back([this, fd, spoil, draw] { Pass(fd, spoil ? spoil_ : Spoil::None, draw); });
        } else
          connections_.emplace_back([this, fd, draw] { Relay(fd, draw); });
      }
    }
  }

  // The camera relay: honest relays are not kept here; a nonsense one answers whatever
  // it is asked with random bytes of a random length, then closes.
  void Relay(int fd, unsigned draw) {
    if (spoil_ == Spoil::RelayNonsense) {
      ++spoiled_;
      std::minstd_rand bytes(draw);
      std::vector<std::uint8_t> nonsense(draw % 300);
      for (auto& b : nonsense) b = static_cast<std::uint8_t>(bytes());
      if (Readable(fd, 2000)) {
        std::uint8_t request[64];
        [[maybe_unused]] ssize_t n = ::recv(fd, request, sizeof request, 0);
      }
      SendAll(fd, nonsense.data(), nonsense.size());
    }
    ::close(fd);
  }

  // One traffic connection: the request goes to kavreld as it is, the reply comes back
  // as `spoil` makes it.
  void Pass(int client, Spoil spoil, unsigned draw) {
    const std::optional<int> connected = kavreld::testing::Connect(back_, kPort);
    if (!connected) {
      ::close(client);
      return;
    }
    const int server = *connected;
    if (spoil != Spoil::None) ++spoiled_;
    std::vector<std::uint8_t> header;  // the request's first bytes, for its code
    std::size_t replied = 0;           // bytes of the reply passed on so far
    const std::size_t cutAt = draw % 64;
    std::minstd_rand garbage(draw);
    bool stalled = false;
    for (bool open = true; open && !stop_;) {
      pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
      if (::poll(p, 2, 20) <= 0) continue;
      std::uint8_t buffer[8192];
      if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        if (header.size() < 4) {
          header.insert(header.end(), buffer, buffer + std::min<std::size_t>(static_cast<std::size_t>(n), 4));
          if (header.size() >= 4) {
            const auto code = static_cast<std::uint32_t>(header[0] | header[1] << 8 | header[2] << 16 | header[3] << 24);
            {
              std::lock_guard lock(mutex_);
              codes_.push_back(code);
            }
            if (quickRefresh_ && code == protocol::kRefreshIntervals) {
              protocol::ServerLimits limits;
              for (auto i : {limits.kNewsMinutes, limits.kRouteMinutes, limits.kRoadMinutes, limits.kCameraMinutes})
                limits.values[i] = 0;
              const auto record = protocol::WriteServerLimits(limits);
              const std::uint8_t length[4] = {static_cast<std::uint8_t>(record.size()), 0, 0, 0};
              if (SendAll(client, length, 4)) SendAll(client, record.data(), record.size());
              break;
            }
          }
        }
        if (!SendAll(server, buffer, static_cast<std::size_t>(n))) break;
      }
      if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
        ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        std::size_t size = static_cast<std::size_t>(n);
        switch (spoil) {
          case Spoil::CutShort:
            if (replied + size >= cutAt) {
              size = cutAt > replied ? cutAt - replied : 0;
              open = false;  // and close on the client mid-reply
            }
            break;
          case Spoil::LyingLength:
            // The length word says more, less, or absurdly much.
            for (std::size_t i = replied; i < 4 && i - replied < size; ++i) {
              const std::uint32_t lie = draw % 3 == 0 ? 0xFFFFFFFFu : draw % 3 == 1 ? draw % 100000 : 1;
              buffer[i - replied] = static_cast<std::uint8_t>(lie >> (8 * i));
            }
            break;
          case Spoil::Garbage:
            for (std::size_t i = 0; i < size; ++i)
              if (replied + i >= 4) buffer[i] = static_cast<std::uint8_t>(garbage());
            break;
          case Spoil::Stall:
            if (!stalled) {
              stalled = true;
              const auto until = Clock::now() + std::chrono::milliseconds(stallMs_);
              while (!stop_ && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            break;
          case Spoil::None:
          case Spoil::RelayNonsense:
            break;
        }
        if (size && !SendAll(client, buffer, size)) break;
        replied += size;
      }
    }
    ::close(server);
    ::close(client);
  }

  std::string back_;
  Spoil spoil_;
  std::mt19937 random_;
  std::uint32_t stallMs_;
  bool quickRefresh_;
  int honestFirst_;
  int passed_ = 0;
  int listener_ = -1;
  int relayListener_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> spoiled_{0};
  std::mutex mutex_;
  std::vector<std::uint32_t> codes_;
  std::list<std::thread> connections_;
  std::thread thread_;
};

}  // namespace client::testing
