#include "stop_signal.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "kavrel/clock.h"
#include "kavrel/little_endian.h"

namespace zmntp {
namespace {

// Handle h names slot h - 1. A session uses three events at a time; the table leaves
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
  // A message without a handle would leave its sender waiting for a signal that no
  // thread can give.
  if (!event.valid()) return false;
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

bool StopInbox::Stopped() {
  if (!event_) event_ = TakeStopMessage(*queue_);
  return event_.has_value();
}

bool StopInbox::Pause(std::uint32_t ms) {
  for (std::uint32_t left = ms;;) {
    if (Stopped()) return false;
    if (left == 0) return true;
    std::uint32_t slice = std::min(left, kStopSliceMs);
    kavrel::Sleep(slice);
    left -= slice;
  }
}

StopInbox::Wait StopInbox::WaitFor(int fd, short events, std::uint32_t ms) {
  // Real time, counted in the slices that poll waited out: sockets do not follow a
  // test's clock.
  for (std::uint32_t left = ms;;) {
    if (Stopped()) return Wait::Stopped;
    std::uint32_t slice = std::min(left, kStopSliceMs);
    pollfd p{fd, events, 0};
    int ready = ::poll(&p, 1, static_cast<int>(slice));
    if (ready > 0) return Wait::Ready;  // readiness, an error or a hang-up: the caller's next call tells
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || left == 0) return Wait::TimedOut;
    left -= slice;
  }
}

void StopInbox::WaitForStop(std::uint32_t pollMs) {
  while (Pause(pollMs)) {
  }
  Acknowledge();
}

void StopInbox::Acknowledge() {
  if (event_) SignalEvent(*event_);
}

}  // namespace zmntp
