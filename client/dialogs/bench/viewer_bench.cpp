// A live video as the client shows it: kavreld streams a camera's clip at its own pace,
// the library receives and decodes it, and CctvScreenDlg's video area takes every
// picture through the GUI thread and paints it. One iteration is one picture that
// reached the area.
//   frames_per_second   pictures shown in the area per second of real time
//   cpu_ms_per_frame    processor time of the whole client process (GUI thread,
//                       receiver, renderer, session) per picture
// Beside it, the library's own player on a local stream: build/bin/cctv_player_bench.
//   build/bin/client_viewer_bench
#include <QApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include "cctv_screen_dlg.h"
#include "kavrel_client_pda_app.h"
#include "server_process.h"
#include "video_area.h"

namespace {

constexpr const char* kAddress = "127.0.0.62";

double ProcessCpuMs() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0; };
  return ms(u.ru_utime) + ms(u.ru_stime);
}

bool NextPicture(const VideoArea& area) {
  const unsigned target = area.picturesShown() + 1;
  QDeadlineTimer bound(20000);
  while (area.picturesShown() < target) {
    if (bound.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);  // as exec() waits
  }
  return true;
}

void BM_LiveVideoInTheViewer(benchmark::State& state) {
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  const std::filesystem::path folder = dir.path().toStdString();
  kavreld::testing::KavreldProcess server(kAddress, kavreld::testing::SampleData(), folder / "members.db", folder / "kavreld.log");
  if (!server.Start()) {
    state.SkipWithError("kavreld did not start");
    return;
  }
  CKavrelClientPDAApp app;
  app.serverAddress = kAddress;
  app.trafficManager.FetchRelayAddress();
  CctvScreenDlg dlg(app, nullptr, 1);
  dlg.show();
  // The first pictures: the session is up and the renderer has found its pace.
  for (int i = 0; i < 10; ++i)
    if (!NextPicture(*dlg.videoArea())) {
      state.SkipWithError("no pictures");
      return;
    }
  const double cpuStart = ProcessCpuMs();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state)
    if (!NextPicture(*dlg.videoArea())) {
      state.SkipWithError("the pictures stopped");
      break;
    }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double n = static_cast<double>(state.iterations());
  state.counters["frames_per_second"] = n / seconds;
  state.counters["cpu_ms_per_frame"] = (ProcessCpuMs() - cpuStart) / n;
  dlg.reject();
}
BENCHMARK(BM_LiveVideoInTheViewer)->Unit(benchmark::kMillisecond)->Iterations(100)->UseRealTime();

}  // namespace
