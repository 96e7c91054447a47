// Requests per second of kavreld's serving loop with 1, 10 and 100 concurrent
// clients, one connection per request, on loopback: each request connects, sends
// the header and body, reads the length-prefixed reply, acknowledges and closes.
// Two requests: a road's speeds (code 7, no store access) and a login (code 3, a
// read of the member store).
//   build/bin/server_bench [--benchmark_filter=...]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "bench_server.h"

namespace {

constexpr const char* kAddress = "127.0.6.200";
constexpr std::uint16_t kPort = 7000;

using kavreld::bench::BenchServer;

BenchServer& Server() {
  static BenchServer server(kAddress, kPort);
  return server;
}

bool Exchange(const std::vector<std::uint8_t>& request) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(kPort);
  ::inet_pton(AF_INET, kAddress, &a.sin_addr);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
  std::uint8_t buffer[8192];
  std::size_t got = 0, want = 4;
  while (ok && got < want) {
    ssize_t r = ::recv(fd, buffer + got, std::min(sizeof buffer, want) - got, 0);
    if (r <= 0) ok = false;
    else got += static_cast<std::size_t>(r);
    if (ok && got >= 4 && want == 4) want = 4 + std::min<std::size_t>(kavrel::ReadU32(buffer, 0), sizeof buffer - 4);
  }
  std::uint8_t ack[4] = {0, 0, 0, 0};
  if (ok) ok = ::send(fd, ack, 4, MSG_NOSIGNAL) == 4;
  ::close(fd);
  return ok;
}

std::vector<std::uint8_t> Request(std::uint32_t code, std::size_t bodySize, std::string_view text) {
  std::vector<std::uint8_t> r(24 + bodySize, 0);
  kavrel::WriteU32(r.data(), 0, code);
  std::memcpy(r.data() + 4, "127.0.0.1", 9);
  kavrel::WriteCp949Field(r.data() + 24, bodySize, kavrel::Utf8ToCp949Lossy(text));
  return r;
}

void Run(benchmark::State& state, const std::vector<std::uint8_t>& request) {
  Server();
  std::size_t failed = 0;
  for (auto _ : state)
    if (!Exchange(request)) ++failed;
  state.SetItemsProcessed(state.iterations());
  state.counters["failed"] = static_cast<double>(failed);
}

void BM_RoadSpeed(benchmark::State& state) { Run(state, Request(7, 128, "중앙대로")); }
void BM_Login(benchmark::State& state) { Run(state, Request(3, 124, "bench")); }

BENCHMARK(BM_RoadSpeed)->Threads(1)->Threads(10)->Threads(100)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_Login)->Threads(1)->Threads(10)->Threads(100)->UseRealTime()->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
