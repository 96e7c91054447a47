// zmntp-cli hands the library a body of the command's full size: short data padded
// with zeros, longer data refused. A scripted server records what arrives.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "kavrel/little_endian.h"

extern char** environ;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const char* kAddress = "127.0.9.31";

// One connection: reads the header and `body` bytes, answers a 4-byte reply, then keeps
// everything the client sends until it closes (the acknowledgement).
class OneRequestServer {
 public:
  explicit OneRequestServer(std::size_t body) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    ::inet_pton(AF_INET, kAddress, &addr.sin_addr);
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(::listen(listener_, 4), 0);
    timeval limit{20, 0};  // a client that never comes ends the wait
    ::setsockopt(listener_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this, body] { Serve(body); });
  }
  ~OneRequestServer() {
    ::shutdown(listener_, SHUT_RDWR);  // ends a wait for a client that never came
    Wait();
    ::close(listener_);
  }
  // Until the client has closed its connection.
  void Wait() {
    if (thread_.joinable()) thread_.join();
  }
  std::uint16_t port() const { return port_; }
  // After Wait: the request and what followed the reply.
  const Bytes& request() const { return request_; }
  const Bytes& after() const { return after_; }

 private:
  void Serve(std::size_t body) {
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    timeval limit{20, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::uint8_t buf[4096];
    while (request_.size() < 24 + body) {
      ssize_t r = ::recv(fd, buf, std::min(sizeof buf, 24 + body - request_.size()), 0);
      if (r <= 0) break;
      request_.insert(request_.end(), buf, buf + r);
    }
    std::uint8_t reply[8];
    kavrel::WriteU32(reply, 0, 4);
    kavrel::WriteU32(reply, 4, 0);
    ::send(fd, reply, sizeof reply, MSG_NOSIGNAL);
    for (ssize_t r; (r = ::recv(fd, buf, sizeof buf, 0)) > 0;) after_.insert(after_.end(), buf, buf + r);
    ::close(fd);
  }

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
  Bytes request_;
  Bytes after_;
};

struct Finished {
  int status = -1;
  std::string output;
};

Finished RunTool(const std::vector<std::string>& args) {
  const auto out = std::filesystem::temp_directory_path() / ("zmntp-cli-test-" + std::to_string(::getpid()));
  std::vector<std::string> all = {ZMNTP_CLI};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  Finished run;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  std::ifstream in(out);
  run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::filesystem::remove(out);
  return run;
}

Bytes Padded(std::string_view text, std::size_t size) {
  Bytes b(text.begin(), text.end());
  b.resize(size, 0);
  return b;
}

TEST(ZmntpCli, ShortDataIsPaddedToTheBodyTheLibraryReads) {
  struct Case {
    std::string step;
    std::uint32_t code;
    Bytes body;  // what must follow the header on the wire
  };
  const Case cases[] = {
      {"3=text:alice", 3, Padded("alice", 124)},
      {"2=hex:6263", 2, Padded("bc", 124)},
      {"16=hex:07", 16, Bytes{7, 0, 0, 0}},
      {"144=u32:1", 144, Padded("\x01", 12)},
      {"178=text:123", 178, Padded("123", 14)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    OneRequestServer server(c.body.size());
    Finished run = RunTool({"--server", kAddress, "--port", std::to_string(server.port()), c.step});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("\"result\":0"), std::string::npos) << run.output;
    server.Wait();
    ASSERT_EQ(server.request().size(), 24 + c.body.size());
    EXPECT_EQ(kavrel::ReadU32(server.request().data(), 0), c.code);
    EXPECT_EQ(Bytes(server.request().begin() + 24, server.request().end()), c.body);
    EXPECT_EQ(server.after(), Bytes(4, 0));  // the acknowledgement, nothing before it
  }
}

TEST(ZmntpCli, DataLongerThanTheBodyIsRefused) {
  const std::string tooLong = "3=hex:" + std::string(2 * 125, '1');
  Finished run = RunTool({"--server", kAddress, "--port", "1", tooLong});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(RunTool({"--server", kAddress, "--port", "1", "7=text:" + std::string(128, 'a')}).status, 2);
}

}  // namespace
