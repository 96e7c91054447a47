// The stop handshake of the video session's threads: a stop message put into a
// thread's stop queue names, by a 32-bit handle, the event the stopped thread signals
// as its last act.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "slot_queue.h"

namespace zmntp {

// An auto-reset event: Set wakes one Wait, which resets it. Each event is known by a
// process-wide 32-bit handle (never 0) while it exists.
class AutoResetEvent {
 public:
  AutoResetEvent();
  ~AutoResetEvent();
  AutoResetEvent(const AutoResetEvent&) = delete;
  AutoResetEvent& operator=(const AutoResetEvent&) = delete;

  void Set();
  void Wait();
  std::uint32_t handle() const { return handle_; }

  // The event of a handle, or nullptr.
  static AutoResetEvent* FromHandle(std::uint32_t handle);

 private:
  std::atomic<int> signalled_{0};  // an int waits on the futex itself
  std::uint32_t handle_ = 0;
};

// StopMessage (24 bytes): offset 0 slot state, offset 8 u32 code, offset 20 u32
// handle of the event to signal.
constexpr std::uint32_t kStopCode = 10;
constexpr std::size_t kStopCodeOffset = 8;
constexpr std::size_t kStopEventOffset = 20;
constexpr std::size_t kStopQueueSlots = 200;

// Puts {stop, event} into a message queue; false when the queue is full.
bool PostStopMessage(SlotQueue& queue, const AutoResetEvent& event);
// Takes one message from a message queue: the event handle when it was a stop
// message; nothing when the queue was empty or the message was something else
// (which is dropped).
std::optional<std::uint32_t> TakeStopMessage(SlotQueue& queue);
// Signals the event of a handle, if it still exists.
void SignalEvent(std::uint32_t handle);


}  // namespace zmntp
