// The bulk exchange against kavreld on loopback: one load of 10 roads, 10 routes and
// 10 cameras per iteration; and a followed road's speeds answered from the cache
// against the same answer from the server.
//   build/bin/one_step_bench
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "ZMNTP.h"
#include "bench_server.h"
#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"

namespace {

constexpr const char* kAddress = "127.0.6.201";
constexpr std::uint16_t kPort = 7000;
const char* const kRoads[] = {"중앙대로", "시청로", "역전로", "동서대로", "남북대로",
                              "강변북로", "강변남로", "해안로", "가람순환로", "공항로"};

struct Fixture {
  Fixture() : server(kAddress, kPort) {
    kavrel::InstallClock(&clock);  // the library's 1,000 ms pause after a load costs nothing
    lib.ZMNTP_Init();
    selection.assign(732, 0);
    kavrel::WriteU32(selection.data(), 120, 10);
    for (int j = 0; j < 10; ++j) kavrel::WriteCp949Field(selection.data() + 124 + 32 * j, 32, Cp(kRoads[j]));
    // Ten routes between the first twenty places of a search for every place.
    std::string all;
    std::vector<std::uint8_t> places = Send(CMD_NODE_INFO, all.data());
    kavrel::WriteU32(selection.data(), 484, 10);
    for (int j = 0; j < 10 && places.size() >= 6604; ++j) {
      std::uint8_t* q = selection.data() + 488 + 12 * j;
      q[0] = static_cast<std::uint8_t>(j % 2);
      kavrel::WriteU32(q, 4, kavrel::ReadU32(places.data(), 6404 + 4 * j));
      kavrel::WriteU32(q, 8, kavrel::ReadU32(places.data(), 6404 + 4 * (j + 10)));
    }
    kavrel::WriteU32(selection.data(), 648, 10);
    for (int j = 0; j < 10; ++j) kavrel::WriteU32(selection.data(), 652 + 4 * j, static_cast<std::uint32_t>(j + 1));
  }
  ~Fixture() {
    lib.ZMNTP_Destroy();
    kavrel::InstallClock(nullptr);
  }
  static std::string Cp(const char* utf8) { return *kavrel::Utf8ToCp949(utf8); }
  std::vector<std::uint8_t> Send(unsigned long code, void* data) {
    unsigned long count = 0;
    std::vector<std::uint8_t> out;
    if (lib.SendCmd(address.data(), kPort, code, &count, data) == 0 && count > 0) {
      out.resize(count * ZMNTP_ResultUnit(code));
      lib.GetData(code, nullptr, count, out.data());
    }
    return out;
  }

  kavrel::FakeClock clock;
  kavreld::bench::BenchServer server;
  CZMNTP lib;
  std::string address = kAddress;
  std::vector<std::uint8_t> selection;
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void BM_BulkLoad10Roads10Routes10Cameras(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    unsigned long count = 0;
    f.lib.SendCmd(f.address.data(), kPort, CMD_ONE_STEP_RELOAD, &count, f.selection.data());
  }
}

void BM_RoadSpeedFromServer(benchmark::State& state) {
  Fixture& f = Shared();
  f.lib.ZMNTP_Init();  // an empty cache: every request goes to the server
  std::string name = Fixture::Cp(kRoads[0]);
  for (auto _ : state) {
    auto records = f.Send(CMD_ROAD_SPEED, name.data());
    if (records.empty()) state.SkipWithError("no records");
  }
}

void BM_RoadSpeedFromCache(benchmark::State& state) {
  Fixture& f = Shared();
  unsigned long count = 0;
  f.lib.SendCmd(f.address.data(), kPort, CMD_ONE_STEP_LOAD, &count, f.selection.data());
  std::string name = Fixture::Cp(kRoads[0]);
  for (auto _ : state) {
    auto records = f.Send(CMD_ROAD_SPEED, name.data());
    if (records.empty()) state.SkipWithError("no records");
  }
}

}  // namespace

BENCHMARK(BM_BulkLoad10Roads10Routes10Cameras)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RoadSpeedFromServer)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_RoadSpeedFromCache)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_MAIN();
