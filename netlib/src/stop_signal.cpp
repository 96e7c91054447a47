#include "stop_signal.h"

#include <array>
#include <cstring>

#include "kavrel/little_endian.h"

namespace zmntp {
namespace {

// Handle h names slot h - 1. Sessions use three events at a time; the table leaves
// room for tests that run several players.
constexpr std::size_t kEventSlots = 256;
std::array<std::atomic<AutoResetEvent*>, kEventSlots> events{};

}  // namespace

AutoResetEvent::AutoResetEvent() {
  for (std::size_t i = 0; i < kEventSlots; ++i) {
    AutoResetEvent* expected = nullptr;
    if (events[i].compare_exchange_strong(expected, this)) {
      handle_ = static_cast<std::uint32_t>(i + 1);
      return;
    }
  }
  // Table full: the event works but cannot be named in a message (handle 0).
}

AutoResetEvent::~AutoResetEvent() {
  if (handle_ != 0) events[handle_ - 1].store(nullptr);
}

void AutoResetEvent::Set() {
  signalled_.store(1, std::memory_order_release);
  signalled_.notify_all();
}

void AutoResetEvent::Wait() {
  while (signalled_.exchange(0, std::memory_order_acquire) == 0) signalled_.wait(0, std::memory_order_acquire);
}

AutoResetEvent* AutoResetEvent::FromHandle(std::uint32_t handle) {
  if (handle == 0 || handle > kEventSlots) return nullptr;
  return events[handle - 1].load();
}

bool PostStopMessage(SlotQueue& queue, const AutoResetEvent& event) {
  std::uint8_t* message = queue.InputMessage();
  std::memset(message, 0, SlotQueue::kMessageSize);
  kavrel::WriteU32(message, kStopCodeOffset, kStopCode);
  kavrel::WriteU32(message, kStopEventOffset, event.handle());
  return queue.Push();
}

std::optional<std::uint32_t> TakeStopMessage(SlotQueue& queue) {
  if (!queue.Pop()) return std::nullopt;
  const std::uint8_t* message = queue.OutputMessage();
  if (kavrel::ReadU32(message, kStopCodeOffset) != kStopCode) return std::nullopt;
  return kavrel::ReadU32(message, kStopEventOffset);
}

void SignalEvent(std::uint32_t handle) {
  if (AutoResetEvent* event = AutoResetEvent::FromHandle(handle)) event->Set();
}

}  // namespace zmntp
