// How long code 161 keeps its caller in each place the session can be: the session is
// brought there against loopback peers with the library's own time limits (10 s
// connects, 10 s for the relay's answer, 6 s of stream silence, a renderer pause of
// up to 1 s), then stopped. One iteration is one stop; the time is the stop's alone
// (manual time), worst_ms the longest stop of the run.
//   build/bin/cctv_stop_bench
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <benchmark/benchmark.h>

#include "cctv_session.h"
#include "video_peers.h"
#include "video_test_support.h"

namespace {

using namespace zmntp::testing;

void BM_StopLatency(benchmark::State& state) {
  const auto stage = static_cast<Stage>(state.range(0));
  state.SetLabel(StageName(stage));
  // The failure's log line lands in the working directory.
  auto dir = std::filesystem::temp_directory_path() / ("kavrel-stop-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto oldDir = std::filesystem::current_path();
  std::filesystem::current_path(dir);

  const std::string address = "127.161.0." + std::to_string(1 + state.range(0));
  StagePeers peers(stage, address, StreamPictures("qcif_intra_q2.263").at(0));
  ScopedWindow window;
  PeerBytes request = StartRequest(window.handle(), 7, address);
  double worstMs = 0;
  if (!peers.ready()) state.SkipWithError("cannot listen on the stage's address");
  for (auto _ : state) {
    const std::size_t pictures = window->Pictures().size();
    zmntp::StartVideoSession(request.data());
    bool there = WaitUntil([&] {
      return zmntp::CurrentVideoSessionPhase() == peers.phase() &&
             (!peers.showsPictures() || window->Pictures().size() > pictures);
    });
    if (!there) {
      state.SkipWithError("the session did not reach the stage");
      break;
    }
    auto begin = std::chrono::steady_clock::now();
    zmntp::StopVideoSession();
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
    state.SetIterationTime(took.count());
    worstMs = std::max(worstMs, took.count() * 1000);
  }
  state.counters["worst_ms"] = worstMs;
  std::filesystem::current_path(oldDir);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StopLatency)->DenseRange(0, kStageCount - 1)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
