// Launch of the client to its first full traffic screen (every selected item fetched,
// the news flash shown, loading over) against a local kavreld with a prepared profile:
// three road points, a route, two cameras and the news flash.
//
// The time splits into the fixed waits of the start sequence (the library's 1,000 ms
// after the selection upload, the 10 + 50 + 10 ms of timers 1, 10 and 11, any failure
// wait) and the rest (requests, decoding, painting). rss_kB is the resident memory of
// the running client at that moment.
//
// BM_SteadyTicker runs the built program on its traffic screen and measures what it
// costs while it runs by itself: processor time (% of one core) and resident memory
// over 30 s, with the news flash scrolling and, side by side, with it off.
#include <QApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <mutex>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "demo_profile.h"
#include "program_run.h"
#include "kavrel/clock.h"
#include "kavrel_client_pda_app.h"
#include "kavrel_client_pda_view.h"
#include "main_frame.h"

extern char** environ;

namespace {

constexpr const char* kAddress = "127.0.0.61";
using SteadyClock = std::chrono::steady_clock;

// The system clock, with a record of every wait and when it ended.
class RecordingClock : public kavrel::Clock {
 public:
  explicit RecordingClock(kavrel::Clock& real) : real_(real) {}
  std::uint32_t TickCount() override { return real_.TickCount(); }
  kavrel::LocalTime Now() override { return real_.Now(); }
  void Sleep(std::uint32_t ms) override {
    real_.Sleep(ms);
    std::lock_guard lock(mutex_);
    waits_.push_back({SteadyClock::now(), ms});
  }
  // Milliseconds of waits that ended between `from` and `to`.
  double WaitedMs(SteadyClock::time_point from, SteadyClock::time_point to) {
    std::lock_guard lock(mutex_);
    double sum = 0;
    for (const auto& w : waits_)
      if (w.end >= from && w.end <= to) sum += w.ms;
    return sum;
  }

 private:
  struct Wait {
    SteadyClock::time_point end;
    std::uint32_t ms;
  };
  kavrel::Clock& real_;
  std::mutex mutex_;
  std::vector<Wait> waits_;
};

long ResidentKb(const std::string& process = "self") {
  std::ifstream status("/proc/" + process + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// kavreld on its own address, for the whole run.
class Server {
 public:
  bool Start(const std::string& dir) {
    std::string db = dir + "/members.db", log = dir + "/kavreld.log";
    std::vector<std::string> args = {KAVRELD_PATH, "--listen", kAddress, "--data", KAVREL_BENCH_DATADIR, "--db", db};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    int rc = posix_spawn(&pid_, KAVRELD_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    for (int i = 0; i < 1000; ++i) {
      int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(7000);
      ::inet_pton(AF_INET, kAddress, &a.sin_addr);
      bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
      ::close(fd);
      if (up) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  ~Server() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

// kavreld for the run, and the prepared profile in `dir`, the profile folder of this
// process and of the programs it starts.
bool StartWithProfile(const QTemporaryDir& dir, Server& server, benchmark::State& state) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  if (!server.Start(dir.path().toStdString()) || !client::demo::PrepareProfile(kAddress)) {
    state.SkipWithError("kavreld did not start or did not take the member");
    return false;
  }
  return true;
}

void BM_LaunchToTrafficScreen(benchmark::State& state) {
  QTemporaryDir dir;
  Server server;
  if (!StartWithProfile(dir, server, state)) return;
  RecordingClock clock(kavrel::CurrentClock());
  kavrel::ScopedClock scoped(clock);
  const double timerMs = 10 + 50 + 10;
  double totalMs = 0, waitMs = 0;
  long rss = 0;
  for (auto _ : state) {
    const auto start = SteadyClock::now();
    auto app = std::make_unique<CKavrelClientPDAApp>();
    app->InitInstance();
    QWidget* menu = app->mainFrame()->view()->Control(CKavrelClientPDAView::kMenuButton);
    QDeadlineTimer bound(60000);
    while (!(app->flags.itemsLoaded.load() && menu->isEnabled()) && !bound.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();  // the repaint of the full screen
    const auto end = SteadyClock::now();
    if (bound.hasExpired()) {
      state.SkipWithError("the traffic screen did not come up");
      break;
    }
    state.PauseTiming();
    totalMs += std::chrono::duration<double, std::milli>(end - start).count();
    waitMs += clock.WaitedMs(start, end) + timerMs;
    rss = ResidentKb();
    app->mainFrame()->close();  // logout; waits for the loader's last step
    app.reset();
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["total_ms"] = totalMs / n;
  state.counters["fixed_waits_ms"] = waitMs / n;
  state.counters["rest_ms"] = (totalMs - waitMs) / n;
  state.counters["rss_kB"] = static_cast<double>(rss);
}
BENCHMARK(BM_LaunchToTrafficScreen)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// User plus system processor time of a process, in seconds.
double ProcessorSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t afterName = stat.rfind(')');
  if (afterName == std::string::npos) return 0;
  std::istringstream fields(stat.substr(afterName + 2));
  std::string field;
  unsigned long long user = 0, system = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {  // fields 14 and 15: utime, stime
    if (i == 14) user = std::stoull(field);
    if (i == 15) system = std::stoull(field);
  }
  return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void BM_SteadyTicker(benchmark::State& state) {
  const bool news = state.range(0) != 0;
  const auto seconds = std::chrono::seconds(state.range(1));
  QTemporaryDir dir;
  Server server;
  if (!StartWithProfile(dir, server, state)) return;
  CSettingsStore().WriteProfileInt(CSettingsStore::kNewsFlash, "show", news ? 1 : 0);
  for (auto _ : state) {
    client::testing::ProgramRun program(dir.path().toStdString(), {"--trace"});
    if (!program.WaitForLine("trace: traffic screen:")) {
      state.SkipWithError("the traffic screen did not come up");
      break;
    }
    const auto start = SteadyClock::now();
    const double cpuStart = ProcessorSeconds(program.pid());
    std::this_thread::sleep_for(seconds);  // the measured stretch
    const double cpu = ProcessorSeconds(program.pid()) - cpuStart;
    const double wall = std::chrono::duration<double>(SteadyClock::now() - start).count();
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["rss_kB"] = static_cast<double>(ResidentKb(std::to_string(program.pid())));
    program.Signal(SIGTERM);
    program.WaitForExit();
  }
}
BENCHMARK(BM_SteadyTicker)
    ->ArgNames({"news", "s"})
    ->Args({1, 30})
    ->Args({0, 30})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
