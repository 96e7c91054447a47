// The listening side: one request per connection (header, body, length-prefixed
// reply, the client's 4-byte acknowledgement, close), many connections at once on
// one Asio thread. Every connection has an idle time-out and a deadline of six idle
// time-outs for the whole exchange, so a stuck or hostile client never holds the
// server. At most `maxConnections` are open at a time (further ones wait in the listen
// backlog), and at most `maxPerAddress` of them from one peer address (further ones
// from that address are closed at once), so one address cannot make the others wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <asio.hpp>

#include "address_limit.h"
#include "request_handler.h"

namespace kavreld {

struct ServerOptions {
  std::string address = "127.0.0.1";
  std::uint16_t port = 7000;
  std::chrono::milliseconds idleTimeout{10000};
  std::size_t maxConnections = 256;
  std::size_t maxPerAddress = kDefaultConnectionsPerAddress;
};

using LogSink = std::function<void(const std::string&)>;

class StoreWorker;

class TcpServer {
 public:
  struct Shared;

  TcpServer(asio::io_context& io, RequestHandler& handler, ServerOptions options, LogSink log);
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Binds and starts accepting. False and `error` set when the address cannot be used.
  bool Start(std::string& error);
  // Stops accepting and closes the open connections.
  void Stop();

  std::size_t ActiveConnections() const;

 private:
  void Accept();

  asio::io_context& io_;
  asio::ip::tcp::acceptor acceptor_;
  asio::steady_timer retry_;
  std::unique_ptr<StoreWorker> worker_;  // the member store's thread
  std::shared_ptr<Shared> shared_;
};

}  // namespace kavreld
