#include "kavrel/window_handles.h"

#include <map>
#include <mutex>

namespace kavrel {
namespace {

// What FindWindow hands out: the registered target behind a lock, so that
// UnregisterWindow can wait for a call in progress and cut off every later one.
class Registration : public WindowTarget {
 public:
  explicit Registration(std::shared_ptr<WindowTarget> target) : target_(std::move(target)) {}

  void ShowPicture(const std::uint8_t* bgr, int width, int height) override {
    std::lock_guard lock(mutex_);
    if (target_) target_->ShowPicture(bgr, width, height);
  }
  void DrawText(std::string_view utf8, const TextRect& rect) override {
    std::lock_guard lock(mutex_);
    if (target_) target_->DrawText(utf8, rect);
  }

  void End() {
    std::shared_ptr<WindowTarget> last;
    {
      std::lock_guard lock(mutex_);
      last = std::move(target_);
    }
    // `last` goes here, outside the lock: a target's destructor may take its own locks.
  }

 private:
  std::mutex mutex_;
  std::shared_ptr<WindowTarget> target_;
};

std::mutex tableMutex;
std::map<WindowHandle, std::shared_ptr<Registration>> table;
WindowHandle nextHandle = 0x100;

}  // namespace

WindowHandle RegisterWindow(std::shared_ptr<WindowTarget> target) {
  auto registration = std::make_shared<Registration>(std::move(target));
  std::lock_guard lock(tableMutex);
  WindowHandle h;
  do {
    h = nextHandle++;
  } while (h == 0 || table.count(h) != 0);
  table[h] = std::move(registration);
  return h;
}

void UnregisterWindow(WindowHandle handle) {
  std::shared_ptr<Registration> registration;
  {
    std::lock_guard lock(tableMutex);
    auto it = table.find(handle);
    if (it == table.end()) return;
    registration = std::move(it->second);
    table.erase(it);
  }
  // Outside the table's lock: waiting for one window's call holds up no other window.
  registration->End();
}

std::shared_ptr<WindowTarget> FindWindow(WindowHandle handle) {
  std::lock_guard lock(tableMutex);
  auto it = table.find(handle);
  if (it == table.end()) return nullptr;
  return it->second;
}

}  // namespace kavrel
