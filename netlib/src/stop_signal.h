// The stop handshake of the video session's threads: a stop message put into a
// thread's stop queue names, by a 32-bit handle, the event the stopped thread signals
// as its last act. A stopped thread looks at its queue whenever it waits (for bytes,
// for a connection, or just for time to pass), in slices short enough that a stop
// never waits long, whatever the thread is doing.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "slot_queue.h"

namespace zmntp {

// An auto-reset event: Set wakes one Wait, which resets it. Each event is known by a
// process-wide 32-bit handle while it exists; when the table of handles is full the
// event gets none (handle 0) and cannot be named in a stop message: check valid().
class AutoResetEvent {
 public:
  AutoResetEvent();
  ~AutoResetEvent();
  AutoResetEvent(const AutoResetEvent&) = delete;
  AutoResetEvent& operator=(const AutoResetEvent&) = delete;

  void Set();
  void Wait();
  std::uint32_t handle() const { return handle_; }
  bool valid() const { return handle_ != 0; }

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

// The longest a waiting thread goes without looking at its stop queue.
constexpr std::uint32_t kStopSliceMs = 20;

// Puts {stop, event} into a message queue; false when the queue is full or the event
// has no handle.
bool PostStopMessage(SlotQueue& queue, const AutoResetEvent& event);
// Takes one message from a message queue: the event handle when it was a stop
// message; nothing when the queue was empty or the message was something else
// (which is dropped).
std::optional<std::uint32_t> TakeStopMessage(SlotQueue& queue);
// Signals the event of a handle, if it still exists.
void SignalEvent(std::uint32_t handle);

// One stoppable thread's end of its stop queue: every wait of the thread goes through
// it, and it keeps the stop message once taken until the thread acknowledges it.
class StopInbox {
 public:
  enum class Wait { Ready, TimedOut, Stopped };

  explicit StopInbox(SlotQueue& queue) : queue_(&queue) {}

  // True once a stop message has come (takes what waits in the queue).
  bool Stopped();
  // Lets `ms` pass on the process clock; false when a stop came first.
  bool Pause(std::uint32_t ms);
  // Waits until `fd` is ready for `events` (poll flags), for `ms` of real time at most.
  Wait WaitFor(int fd, short events, std::uint32_t ms);
  // A thread with nothing left to do: waits for the stop message, looking every
  // `pollMs`, and acknowledges it.
  void WaitForStop(std::uint32_t pollMs);
  // Signals the stop message's event: the thread's last act. Only after Stopped().
  void Acknowledge();

 private:
  SlotQueue* queue_;
  std::optional<std::uint32_t> event_;
};

}  // namespace zmntp
