#include "kavrel/window_handles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace kavrel {
namespace {

struct Recorder : WindowTarget {
  void ShowPicture(const std::uint8_t*, int w, int h) override {
    std::lock_guard lock(mutex);
    pictures.push_back(w * h);
  }
  void DrawText(std::string_view t, const TextRect&) override {
    std::lock_guard lock(mutex);
    texts.emplace_back(t);
  }
  std::size_t PictureCount() {
    std::lock_guard lock(mutex);
    return pictures.size();
  }
  std::mutex mutex;
  std::vector<int> pictures;
  std::vector<std::string> texts;
};

TEST(WindowHandles, RegisterFindUnregister) {
  auto a = std::make_shared<Recorder>();
  auto b = std::make_shared<Recorder>();
  WindowHandle ha = RegisterWindow(a);
  WindowHandle hb = RegisterWindow(b);
  EXPECT_NE(ha, 0u);
  EXPECT_NE(ha, hb);
  FindWindow(ha)->ShowPicture(nullptr, 4, 3);
  FindWindow(hb)->DrawText("error", {0, 30, 300, 60});
  EXPECT_EQ(a->pictures, std::vector<int>{12});
  EXPECT_EQ(b->texts, std::vector<std::string>{"error"});
  UnregisterWindow(ha);
  EXPECT_EQ(FindWindow(ha), nullptr);
  EXPECT_EQ(FindWindow(0), nullptr);
  UnregisterWindow(hb);
  UnregisterWindow(hb);  // a second time: nothing
}

// A worker draws without pause through the pointer it found before the window went (as
// the video renderer does); once UnregisterWindow has returned, nothing more arrives,
// and the registration no longer keeps the target alive.
TEST(WindowHandles, NoCallReachesATargetAfterUnregisterReturned) {
  auto window = std::make_shared<Recorder>();
  WindowHandle handle = RegisterWindow(window);
  std::shared_ptr<WindowTarget> found = FindWindow(handle);
  std::atomic<long> calls{0};
  std::atomic<bool> drawing{true};
  std::thread worker([&] {
    while (drawing) {
      found->ShowPicture(nullptr, 1, 1);
      found->DrawText("x", {});
      calls.fetch_add(1);
    }
  });
  while (window->PictureCount() < 10) std::this_thread::yield();
  UnregisterWindow(handle);
  const std::size_t atReturn = window->PictureCount();
  const long callsAtReturn = calls.load();
  while (calls.load() < callsAtReturn + 1000) std::this_thread::yield();
  drawing = false;
  worker.join();
  EXPECT_EQ(window->PictureCount(), atReturn);
  EXPECT_EQ(window.use_count(), 1);
}

}  // namespace
}  // namespace kavrel
