// How fast the video player shows a local stream: a writer floods a socket pair with
// the frames of a QCIF clip, the player receives, decodes and hands each picture to a
// window that only counts. One iteration is one frame shown; the real time per
// iteration is the time per frame (frames_per_second), the CPU time is the whole
// process's per frame: receiver, renderer and the stream's writer (the measuring
// thread sleeps on the window's counter).
//   build/bin/cctv_player_bench
// Argument: the renderer's first pause in ms; 80 is its floor, where it stays while
// frames wait.
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "cctv_player.h"
#include "connection.h"
#include "kavrel/little_endian.h"
#include "kavrel/window_handles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The clip as stream frames, back to back.
Bytes StreamOfClip() {
  auto path = std::filesystem::path(KAVREL_SOURCE_ROOT) / "h263dec/tests/streams/qcif_inter_q5.263";
  std::ifstream in(path, std::ios::binary);
  Bytes all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i + 2 < all.size(); ++i)
    if (all[i] == 0 && all[i + 1] == 0 && (all[i + 2] & 0xFC) == 0x80) starts.push_back(i);
  Bytes stream;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    std::size_t end = k + 1 < starts.size() ? starts[k + 1] : all.size();
    std::uint8_t header[8];
    kavrel::WriteU32(header, 0, 1);
    kavrel::WriteU32(header, 4, static_cast<std::uint32_t>(end - starts[k]));
    stream.insert(stream.end(), header, header + 8);
    stream.insert(stream.end(), all.begin() + static_cast<long>(starts[k]), all.begin() + static_cast<long>(end));
  }
  return stream;
}

class CountingWindow : public kavrel::WindowTarget {
 public:
  void ShowPicture(const std::uint8_t* bgr, int, int) override {
    checksum_ += bgr[0];
    shown_.fetch_add(1, std::memory_order_release);
    shown_.notify_all();
  }
  // Waits until at least `n` pictures were shown.
  void WaitFor(int n) const {
    for (int now = shown(); now < n; now = shown()) shown_.wait(now, std::memory_order_acquire);
  }
  void DrawText(std::string_view, const kavrel::TextRect&) override {}
  int shown() const { return shown_.load(std::memory_order_acquire); }

 private:
  std::atomic<int> shown_{0};
  unsigned checksum_ = 0;
};

void BM_PlayerShowsLocalStream(benchmark::State& state) {
  zmntp::Timeouts().renderFirstPauseMs = static_cast<std::uint32_t>(state.range(0));
  const Bytes clip = StreamOfClip();
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    state.SkipWithError("no socket pair");
    return;
  }
  zmntp::Socket stream(fds[0]);
  std::atomic<bool> writing{true};
  std::thread writer([&] {
    while (writing.load()) {
      for (std::size_t at = 0; at < clip.size() && writing.load();) {
        ssize_t n = ::send(fds[1], clip.data() + at, clip.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return;
        at += static_cast<std::size_t>(n);
      }
    }
  });

  auto window = std::make_shared<CountingWindow>();
  kavrel::WindowHandle handle = kavrel::RegisterWindow(window);
  zmntp::CctvPlayer player;
  player.Start(handle, 2, stream);
  // Let the queue fill so that frames wait from the first one measured on.
  window->WaitFor(3);

  int next = window->shown() + 1;
  for (auto _ : state) window->WaitFor(next++);
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["pause_ms"] = player.pause();

  writing = false;
  player.Stop();
  ::shutdown(fds[0], SHUT_RDWR);  // ends the writer's blocked send
  writer.join();
  ::close(fds[1]);
  kavrel::UnregisterWindow(handle);
}
BENCHMARK(BM_PlayerShowsLocalStream)->Arg(80)->UseRealTime()->MeasureProcessCPUTime()->MinTime(3.0)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
