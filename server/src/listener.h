// Opens an acceptor on an IPv4 address and port for one of kavreld's services.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

#include <asio.hpp>

namespace kavreld {

// False, with `error` naming `service`, the address and the reason, when the address
// is not dotted IPv4 or the port cannot be listened on.
inline bool Listen(asio::ip::tcp::acceptor& acceptor, const std::string& address, std::uint16_t port,
                   const std::string& service, std::string& error) {
  std::error_code ec;
  asio::ip::address ip = asio::ip::make_address_v4(address, ec);
  if (ec) {
    error = "not an IPv4 address: " + address;
    return false;
  }
  asio::ip::tcp::endpoint endpoint(ip, port);
  acceptor.open(endpoint.protocol(), ec);
  if (!ec) acceptor.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    std::error_code ignored;
    acceptor.close(ignored);
    error = service + " on " + address + ":" + std::to_string(port) + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace kavreld
