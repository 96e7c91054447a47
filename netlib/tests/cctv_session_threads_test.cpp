// Codes 160 and 161 from the client's threads: several at once, in every place the
// session can be; window targets that hand pictures to a GUI thread which is stopping
// the session or closing the window at that moment; still pictures while the video
// plays; a full table of stop events.
#include <sys/socket.h>

#include <condition_variable>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <latch>
#include <mutex>
#include <thread>

#include "cctv_player.h"
#include "cctv_session.h"
#include "kavrel/cursor.h"
#include "library_fixture.h"
#include "stop_signal.h"
#include "video_peers.h"
#include "video_test_support.h"

namespace zmntp::testing {
namespace {

class VideoSessionThreads : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // The negotiation keeps its real waits (10 s connects, 10 s for the relay's
    // answer): 161 must not wait for them. Pictures come quickly.
    Timeouts().renderFirstPauseMs = 20;
    picture_ = StreamPictures("qcif_intra_q2.263").at(0);
    expected_ = DecodeAll({picture_}).at(0);
  }
  void TearDown() override {
    StopVideoSession();
    LibraryTest::TearDown();
  }

  // Codes 160 and 161 as the client makes them.
  void Start(Bytes& request) {
    unsigned long count = 0;
    EXPECT_EQ(lib_.SendCmd(address_.data(), 7000, CMD_CCTV_VIDEO_START, &count, request.data()), 0);
  }
  void Stop() {
    unsigned long count = 0;
    EXPECT_EQ(lib_.SendCmd(address_.data(), 7000, CMD_CCTV_VIDEO_STOP, &count, nullptr), 0);
  }

  // An address of the test's own for each case: the relay's port is fixed.
  std::string CaseAddress(int n) const {
    std::string base = TestAddress();
    std::size_t dot = base.rfind('.');
    return base.substr(0, dot + 1) + std::to_string(1 + (std::stoi(base.substr(dot + 1)) + n) % 250);
  }

  std::string address_ = TestAddress();
  Bytes picture_;
  Pixels expected_;
};

TEST_F(VideoSessionThreads, StartsAndStopsFromSeveralThreadsInEveryStage) {
  for (int n = 0; n < kStageCount; ++n) {
    const auto stage = static_cast<Stage>(n);
    SCOPED_TRACE(StageName(stage));
    const std::string address = CaseAddress(n);
    StagePeers peers(stage, address, picture_);
    ASSERT_TRUE(peers.ready());
    ScopedWindow window;
    Bytes request = StartRequest(window.handle(), 7, address);
    auto reached = [&](std::size_t pictures) {
      return WaitUntil([&] {
        return CurrentVideoSessionPhase() == peers.phase() &&
               (!peers.showsPictures() || window->Pictures().size() >= pictures);
      });
    };

    // Four threads at once: stops, a stop after a start, a start.
    Start(request);
    ASSERT_TRUE(reached(1));
    const std::function<void()> calls[] = {
        [&] { Stop(); },
        [&] { Stop(); },
        [&] {
          Start(request);
          Stop();
        },
        [&] { Start(request); },
    };
    std::latch go(std::size(calls));
    std::vector<std::thread> threads;
    for (const auto& call : calls)
      threads.emplace_back([&] {
        go.arrive_and_wait();
        call();
      });
    for (auto& t : threads) t.join();
    Stop();
    EXPECT_FALSE(VideoSessionRunning());

    // A start right after a stop reaches the same stage again.
    Start(request);
    ASSERT_TRUE(reached(window->Pictures().size() + 1));
    Stop();
    Start(request);
    ASSERT_TRUE(reached(window->Pictures().size() + 1));
    Stop();
    Stop();
    EXPECT_FALSE(VideoSessionRunning());
    for (const Pixels& p : window->Pictures()) ASSERT_TRUE(p == expected_);
    // A stop is no failure: only the refusal was logged, once per session.
    for (const std::string& line : LogLines()) EXPECT_EQ(line, "ZMNT:recv1:=8");
    EXPECT_EQ(LogLines().empty(), stage != Stage::Failed);
  }
}

// A stand-in for the program's GUI thread: runs the tasks posted to its queue, one at
// a time, in order.
class GuiThread {
 public:
  GuiThread() : thread_([this] { Run(); }) {}
  ~GuiThread() {
    Post({});
    thread_.join();
  }
  // Never waits for the GUI thread.
  void Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    wake_.notify_one();
  }
  // Runs `task` on the GUI thread; false when it has not run within a generous limit
  // (a deadlock).
  bool Call(std::function<void()> task) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    Post([task = std::move(task), done] {
      task();
      *done = true;
    });
    return WaitUntil([&] { return done->load(); });
  }

 private:
  void Run() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return !tasks_.empty(); });
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      if (!task) return;
      task();
    }
  }
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  std::thread thread_;
};

// A widget's target as the client makes it: it copies each picture and posts the copy to
// the GUI thread, which draws it while the widget is open.
class PostingWindow : public kavrel::WindowTarget {
 public:
  explicit PostingWindow(GuiThread& gui) : gui_(gui) {}
  void ShowPicture(const std::uint8_t* bgr, int width, int height) override {
    calls_.fetch_add(1);
    Pixels copy(bgr, bgr + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    gui_.Post([this, copy = std::move(copy)] {
      drawn_.push_back(copy);  // the GUI thread's own
      drawnCount_ = drawn_.size();
    });
  }
  void DrawText(std::string_view, const kavrel::TextRect&) override {}
  long calls() const { return calls_.load(); }
  std::size_t drawn() const { return drawnCount_.load(); }
  // Read on the GUI thread, or after it has ended.
  const std::vector<Pixels>& pictures() const { return drawn_; }

 private:
  GuiThread& gui_;
  std::atomic<long> calls_{0};
  std::atomic<std::size_t> drawnCount_{0};
  std::vector<Pixels> drawn_;
};

std::atomic<long> framesTaken{0};
void CountFrames(kavrel::CursorShape shape) {
  if (shape == kavrel::CursorShape::Arrow) framesTaken.fetch_add(1);
}

TEST_F(VideoSessionThreads, TargetHandsPicturesToAGuiThreadThatStopsTheSessionOrClosesTheWindow) {
  StagePeers peers(Stage::Streaming, address_, picture_);
  ASSERT_TRUE(peers.ready());
  kavrel::SetCursorHook(CountFrames);
  auto gui = std::make_unique<GuiThread>();
  auto window = std::make_shared<PostingWindow>(*gui);
  kavrel::WindowHandle handle = 0;
  ASSERT_TRUE(gui->Call([&] { handle = kavrel::RegisterWindow(window); }));
  Bytes request = StartRequest(handle, 7, address_);

  // 161 on the GUI thread while the renderer posts pictures to it.
  ASSERT_TRUE(gui->Call([&] { Start(request); }));
  ASSERT_TRUE(WaitUntil([&] { return window->drawn() >= 3; }));
  ASSERT_TRUE(gui->Call([&] { Stop(); }));
  EXPECT_FALSE(VideoSessionRunning());

  // Started again at once; the widget goes while the session plays on (the screen
  // dialog leaves the video running when it closes).
  ASSERT_TRUE(gui->Call([&] { Start(request); }));
  const std::size_t before = window->drawn();
  ASSERT_TRUE(WaitUntil([&] { return window->drawn() >= before + 3; }));
  long callsAtClose = 0;
  ASSERT_TRUE(gui->Call([&] {
    kavrel::UnregisterWindow(handle);
    callsAtClose = window->calls();
  }));
  // The renderer goes on taking frames, and none reaches the closed window.
  const long taken = framesTaken.load();
  ASSERT_TRUE(WaitUntil([&] { return framesTaken.load() >= taken + 3; }));
  EXPECT_EQ(window->calls(), callsAtClose);
  ASSERT_TRUE(gui->Call([&] { Stop(); }));

  gui.reset();  // runs what was posted, then ends
  kavrel::SetCursorHook(nullptr);
  EXPECT_EQ(static_cast<long>(window->pictures().size()), window->calls());
  for (const Pixels& p : window->pictures()) ASSERT_TRUE(p == expected_);
}

// The client fetches camera stills (code 16) on every refresh while the viewer plays:
// neither the stills nor the video may disturb each other's decoding.
TEST_F(VideoSessionThreads, StillPicturesFromTheServerWhileTheVideoPlays) {
  std::ifstream in(std::string(KAVREL_SOURCE_ROOT) + "/data/cctv/3.263", std::ios::binary);
  const Bytes coded{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GT(coded.size(), 100u);
  const Pixels still = DecodeAll({coded}).at(0);
  constexpr int kStills = 200;

  StagePeers video(Stage::Streaming, address_, picture_);
  ASSERT_TRUE(video.ready());
  ScriptedPeer server(address_, std::vector<Conversation>(kStills, Conversation{24 + 4, Framed(coded)}));
  ScopedWindow window;
  Bytes request = StartRequest(window.handle(), 7, address_);
  Start(request);
  ASSERT_TRUE(WaitUntil([&] { return !window->Pictures().empty(); }));
  const std::size_t before = window->Pictures().size();
  int wrong = 0;
  for (int i = 0; i < kStills; ++i) {
    Outcome o = Run(server, CMD_CCTV_STILL, Le32(3).data());
    if (o.result != 0 || o.data != still) ++wrong;
  }
  // The video played on meanwhile.
  ASSERT_TRUE(WaitUntil([&] { return window->Pictures().size() > before + 2; }));
  Stop();
  EXPECT_EQ(wrong, 0);
  for (const Pixels& p : window->Pictures()) ASSERT_TRUE(p == expected_);
  EXPECT_TRUE(window->Texts().empty());
}

TEST_F(VideoSessionThreads, FullTableOfStopEventsFailsTheStartCleanly) {
  std::vector<std::unique_ptr<AutoResetEvent>> taken;
  auto fillTable = [&] {
    for (auto e = std::make_unique<AutoResetEvent>(); e->valid(); e = std::make_unique<AutoResetEvent>())
      taken.push_back(std::move(e));
  };
  fillTable();
  ASSERT_FALSE(taken.empty());

  // No event for the session: it is not started.
  Bytes request = StartRequest(0, 7, address_);
  Start(request);
  EXPECT_FALSE(VideoSessionRunning());
  Stop();
  EXPECT_EQ(LogLines(), std::vector<std::string>{"ZMNT:CreateEvent:=0"});

  // Room for one event but not for the player's two: the player does not start (and
  // gives back what it took); nor does one whose stop messages would name no event.
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  Socket stream(fds[0]), peer(fds[1]);
  taken.pop_back();
  CctvPlayer player;
  EXPECT_EQ(player.Start(0, 2, stream), -1);
  {
    AutoResetEvent last, none;
    EXPECT_TRUE(last.valid());
    EXPECT_FALSE(none.valid());
    SlotQueue stops(SlotQueueKind::Message, kStopQueueSlots);
    EXPECT_FALSE(PostStopMessage(stops, none));
  }

  // The session gets the one event; once streaming could start, the player cannot.
  std::filesystem::remove(dir_ / "DBM.TXT");
  StagePeers peers(Stage::Streaming, address_, picture_);
  Start(request);
  ASSERT_TRUE(WaitUntil([] { return CurrentVideoSessionPhase() == VideoSessionPhase::WaitingForStop; }));
  Stop();
  EXPECT_FALSE(VideoSessionRunning());
  EXPECT_EQ(LogLines(), std::vector<std::string>{"ZMNT:player:=-1"});

  // With the table free again, everything works.
  taken.clear();
  ScopedWindow window;
  request = StartRequest(window.handle(), 7, address_);
  Start(request);
  ASSERT_TRUE(WaitUntil([&] { return !window->Pictures().empty(); }));
  Stop();
}

}  // namespace
}  // namespace zmntp::testing
