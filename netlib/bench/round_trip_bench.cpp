// One SendCmd round trip on loopback against a raw-socket round trip doing the same
// connect, send, receive and close, both against the same small echoing server.
//   build/bin/netlib_bench
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "ZMNTP.h"

namespace {

constexpr std::uint16_t kPort = 7000;
constexpr const char* kAddress = "127.0.0.91";
constexpr std::size_t kReplyBytes = 80;

bool ReadExactly(int fd, void* buf, std::size_t n) {
  auto* p = static_cast<std::uint8_t*>(buf);
  while (n > 0) {
    ssize_t r = ::recv(fd, p, n, 0);
    if (r <= 0) return false;
    p += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

// Answers every request with an 80-byte reply, reads the acknowledgement, closes.
class ReplyServer {
 public:
  ReplyServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kPort);
    ::inet_pton(AF_INET, kAddress, &a.sin_addr);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 64);
    thread_ = std::thread([this] { Run(); });
  }
  ~ReplyServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }

 private:
  void Run() {
    std::vector<std::uint8_t> reply(4 + kReplyBytes, 'r');
    std::uint32_t len = kReplyBytes;
    std::memcpy(reply.data(), &len, 4);
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) != 1) continue;
      int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) continue;
      std::uint8_t header[24], ack[4];
      if (ReadExactly(c, header, sizeof header)) {
        ::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
        ReadExactly(c, ack, sizeof ack);
      }
      ::close(c);
    }
  }
  int fd_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void BM_SendCmdRoundTrip(benchmark::State& state) {
  ReplyServer server;
  CZMNTP lib;
  lib.ZMNTP_Init();
  char address[] = "127.0.0.91";
  std::vector<std::uint8_t> out(kReplyBytes);
  for (auto _ : state) {
    unsigned long count = 0;
    if (lib.SendCmd(address, kPort, CMD_TEXT_ITEM_A, &count, nullptr) != 0 || count != kReplyBytes) {
      state.SkipWithError("SendCmd failed");
      break;
    }
    lib.GetData(CMD_TEXT_ITEM_A, nullptr, count, out.data());
  }
  lib.ZMNTP_Destroy();
}

void BM_RawSocketRoundTrip(benchmark::State& state) {
  ReplyServer server;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(kPort);
  ::inet_pton(AF_INET, kAddress, &a.sin_addr);
  std::uint8_t header[24] = {32};
  std::vector<std::uint8_t> reply(4 + kReplyBytes);
  for (auto _ : state) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      state.SkipWithError("connect failed");
      ::close(fd);
      break;
    }
    ::send(fd, header, sizeof header, MSG_NOSIGNAL);
    ReadExactly(fd, reply.data(), reply.size());
    std::uint32_t ack = 0;
    ::send(fd, &ack, 4, MSG_NOSIGNAL);
    ::close(fd);
    benchmark::DoNotOptimize(reply.data());
  }
}

}  // namespace

BENCHMARK(BM_RawSocketRoundTrip)->UseRealTime();
BENCHMARK(BM_SendCmdRoundTrip)->UseRealTime();
BENCHMARK(BM_RawSocketRoundTrip)->UseRealTime();
BENCHMARK(BM_SendCmdRoundTrip)->UseRealTime();
BENCHMARK_MAIN();
