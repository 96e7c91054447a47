// The live picture of a video session: the receiver thread reads H.263 frames from the
// video server's stream into the frame queue, the renderer thread decodes them straight
// into the bitmap and hands the bitmap to the client's window, at a pace that follows
// the backlog between the two.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "camdec.h"
#include "connection.h"
#include "kavrel/window_handles.h"
#include "protocol/video.h"
#include "slot_queue.h"
#include "stop_signal.h"

namespace zmntp {

struct PictureSize {
  int width = 0;
  int height = 0;
};

// Picture size of a format: 1 = 128 x 96, 2 = 176 x 144, 3 = 352 x 288,
// 4 = 704 x 576, 5 = 1408 x 1152; nothing for any other value.
std::optional<PictureSize> PictureSizeOf(int format);

// The renderer's pacing: its pause starts at 500 ms; after each frame drawn it grows by
// 30 ms while at most 3 frames wait (up to 1,010 ms) and shrinks by 30 ms while more
// wait (down to 80 ms).
constexpr std::uint32_t kFirstPauseMs = 500;
constexpr long kBacklogThreshold = 3;
std::uint32_t NextPause(std::uint32_t pause, long backlog);

// Frames on the stream: protocol/video.h.
using protocol::kFrameHeaderSize;
using protocol::kPictureFrame;
constexpr std::size_t kFrameQueueSlots = 120;
constexpr std::size_t kStreamPieceSize = 256;

class CctvPlayer {
 public:
  CctvPlayer() = default;
  ~CctvPlayer() { Stop(); }
  CctvPlayer(const CctvPlayer&) = delete;
  CctvPlayer& operator=(const CctvPlayer&) = delete;

  // Starts the receiver and the renderer on `stream` for pictures of `format`, drawn
  // into `window`. The socket stays the caller's and must outlive Stop. Returns 0, or -1
  // for a format outside 1..5 or when the threads' stop events cannot be made (nothing
  // started then). Start and Stop belong to one thread, the player's owner.
  int Start(std::uint32_t window, int format, const Socket& stream);
  // Stops the renderer, then the receiver; releases the queue and the decoder.
  void Stop();

  long received() const { return received_.load(std::memory_order_relaxed); }
  long shown() const { return shown_.load(std::memory_order_relaxed); }
  std::uint32_t pause() const { return pause_.load(std::memory_order_relaxed); }
  // Frames dropped because they did not fit a slot or lost their boundary.
  long dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  enum class ReadResult { Ok, TimedOut, Closed, Stopped };

  void ReceiveThread();
  void RenderThread();
  // Reads n bytes of the stream: TimedOut when nothing came for the idle time, Closed
  // when the stream ended, Stopped as soon as a stop message came.
  ReadResult ReadStream(void* buffer, std::size_t n);
  // Reads a frame's `length` bytes into the input buffer from `offset` on, in pieces.
  ReadResult ReadPicture(std::size_t offset, std::size_t length);
  // Reads and forgets `length` bytes.
  ReadResult Skip(std::size_t length);
  // Reads until a picture frame header is plausible again (type 1, a length that fits a
  // slot, a picture start code after it); its length goes to `length` and the picture
  // bytes already read to the input buffer (`have` of them).
  ReadResult Resynchronise(std::size_t& length, std::size_t& have);

  // A thread of the player and its end of the stop handshake; the inbox is the
  // thread's own.
  struct Worker {
    std::unique_ptr<SlotQueue> stops;
    std::unique_ptr<AutoResetEvent> event;
    std::optional<StopInbox> inbox;
    std::thread thread;
  };
  // Makes the worker's queue and event; false when the event has no handle.
  static bool PrepareWorker(Worker& worker);
  void StartWorker(Worker& worker, void (CctvPlayer::*body)());
  static void StopWorker(Worker& worker);

  PictureSize size_{};
  const Socket* stream_ = nullptr;
  std::shared_ptr<kavrel::WindowTarget> target_;  // taken once at start
  std::vector<std::uint8_t> bitmap_;               // pixel bits of the bottom-up bitmap
  camdec::DecoderInstance decoder_;                // the session's own, apart from still pictures'
  std::unique_ptr<SlotQueue> frames_;
  Worker receiver_;
  Worker renderer_;
  std::uint32_t idleMs_ = 0;
  std::atomic<long> received_{0};
  std::atomic<long> shown_{0};
  std::atomic<long> dropped_{0};
  std::atomic<std::uint32_t> pause_{kFirstPauseMs};
};

}  // namespace zmntp
