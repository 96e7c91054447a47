// The traffic server in this process, with its database thread: clients on several
// threads mix codes that need the member store with codes that do not, and the server
// stops while store work is still queued. (Run under ThreadSanitizer by preset tsan.)
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "protocol/records.h"
#include "request_handler.h"
#include "server_process.h"
#include "tcp_server.h"

namespace kavreld::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace protocol;

// One exchange from a raw client: the reply body, or nothing when the server closed.
std::optional<Bytes> Exchange(const std::string& address, std::uint32_t code, const Bytes& body) {
  auto fd = Connect(address);
  if (!fd) return std::nullopt;
  Bytes request = Header(code);
  request.insert(request.end(), body.begin(), body.end());
  std::optional<Bytes> reply;
  std::uint8_t length[4];
  if (::send(*fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()) &&
      ::recv(*fd, length, 4, MSG_WAITALL) == 4) {
    Bytes bytes(kavrel::ReadU32(length, 0));
    if (bytes.empty() || ::recv(*fd, bytes.data(), bytes.size(), MSG_WAITALL) == static_cast<ssize_t>(bytes.size())) {
      std::uint8_t ack[4] = {};
      ::send(*fd, ack, 4, MSG_NOSIGNAL);
      reply = std::move(bytes);
    }
  }
  ::close(*fd);
  return reply;
}

Bytes Member(const std::string& id) {
  Bytes r(kUserRecordSize, 0);
  kavrel::WriteCp949Field(r.data() + kUserIdOffset, kUserIdSize, id);
  kavrel::WriteCp949Field(r.data() + kUserNameOffset, kUserNameSize, id);
  kavrel::WriteCp949Field(r.data() + kUserNumberOffset, kUserNumberSize, "8001011234560");
  kavrel::WriteCp949Field(r.data() + kUserTypeOffset, kUserTypeSize, "USER");
  kavrel::WriteCp949Field(r.data() + kUserEmailOffset, kUserEmailSize, id + "@example.com");
  return r;
}

TEST(StoreThread, StoreAndPlainCodesFromManyClientsThenStop) {
  TempDir dir("threads");
  HandlerSetup setup;
  setup.dataDir = SampleData();
  setup.dbPath = dir.path() / "m.db";
  std::vector<std::string> warnings;
  std::string error;
  auto handler = RequestHandler::Create(setup, warnings, error);
  ASSERT_TRUE(handler) << error;
  asio::io_context io;
  ServerOptions options;
  options.address = "127.0.6.40";
  TcpServer server(io, *handler, options, [](const std::string&) {});
  ASSERT_TRUE(server.Start(error)) << error;
  std::thread loop([&] { io.run(); });

  std::atomic<int> wrong{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 4; ++c) {
    clients.emplace_back([&, c] {
      for (int i = 0; i < 10; ++i) {
        std::string id = "m" + std::to_string(c) + "x" + std::to_string(i);
        auto joined = Exchange(options.address, kUserRegister, Member(id));
        auto text = Exchange(options.address, kTextItemA, {});
        Bytes login(kUserRecordSize, 0);
        kavrel::WriteCp949Field(login.data(), kLoginIdSize, id);
        auto logged = Exchange(options.address, kUserLogin, login);
        if (!joined || joined->size() != 4 || kavrel::ReadU32(joined->data(), 0) != kResultOk) ++wrong;
        if (!text || text->size() != 80) ++wrong;
        if (!logged || logged->size() != 4 || kavrel::ReadU32(logged->data(), 0) != kResultOk) ++wrong;
      }
    });
  }
  for (auto& t : clients) t.join();
  EXPECT_EQ(wrong.load(), 0);

  // Store work in flight when the server stops: the stop waits for it and nothing
  // touches the connection from the database thread afterwards.
  std::vector<std::thread> late;
  for (int c = 0; c < 3; ++c)
    late.emplace_back([&, c] { Exchange(options.address, kUserRegister, Member("late" + std::to_string(c))); });
  asio::post(io, [&] {
    server.Stop();
    io.stop();
  });
  loop.join();
  for (auto& t : late) t.join();
}

}  // namespace
}  // namespace kavreld::testing
