#include "kavrel/window_handles.h"

#include <map>
#include <mutex>

namespace kavrel {
namespace {

std::mutex tableMutex;
std::map<WindowHandle, std::shared_ptr<WindowTarget>> table;
WindowHandle nextHandle = 0x100;

}  // namespace

WindowHandle RegisterWindow(std::shared_ptr<WindowTarget> target) {
  std::lock_guard lock(tableMutex);
  WindowHandle h;
  do {
    h = nextHandle++;
  } while (h == 0 || table.count(h) != 0);
  table[h] = std::move(target);
  return h;
}

void UnregisterWindow(WindowHandle handle) {
  std::lock_guard lock(tableMutex);
  table.erase(handle);
}

std::shared_ptr<WindowTarget> FindWindow(WindowHandle handle) {
  std::lock_guard lock(tableMutex);
  auto it = table.find(handle);
  return it == table.end() ? nullptr : it->second;
}

}  // namespace kavrel
