#include "cctv_player.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "camdec.h"
#include "kavrel/clock.h"
#include "kavrel/cursor.h"
#include "kavrel/little_endian.h"

namespace zmntp {
namespace {

constexpr std::uint32_t kPauseStep = 30;
constexpr std::uint32_t kPauseGrowLimit = 1000;   // grows while below this
constexpr std::uint32_t kPauseShrinkLimit = 100;  // shrinks while above this
// The renderer sleeps its pause in slices so that a stop never waits a whole pause.
constexpr std::uint32_t kSleepSliceMs = 20;
// How often a thread with nothing left to do looks for its stop message.
constexpr std::uint32_t kIdlePollMs = 20;
// The receiver looks for its stop message at least this often while it waits for bytes.
constexpr std::uint32_t kStopSliceMs = 50;
// How often the receiver tries again to push into a full queue. The renderer frees a
// slot at most every 80 ms, so trying more often only burns the processor.
constexpr std::uint32_t kFullQueueRetryMs = 10;

// The first bytes of an H.263 picture: the 22-bit picture start code.
bool StartsPicture(const std::uint8_t* p) { return p[0] == 0 && p[1] == 0 && (p[2] & 0xFC) == 0x80; }

}  // namespace

std::optional<PictureSize> PictureSizeOf(int format) {
  switch (format) {
    case 1: return PictureSize{128, 96};
    case 2: return PictureSize{176, 144};
    case 3: return PictureSize{352, 288};
    case 4: return PictureSize{704, 576};
    case 5: return PictureSize{1408, 1152};
    default: return std::nullopt;
  }
}

std::uint32_t NextPause(std::uint32_t pause, long backlog) {
  long waiting = backlog < 0 ? -backlog : backlog;
  if (waiting <= kBacklogThreshold && pause < kPauseGrowLimit) return pause + kPauseStep;
  if (waiting > kBacklogThreshold && pause > kPauseShrinkLimit) return pause - kPauseStep;
  return pause;
}

int CctvPlayer::Start(std::uint32_t window, int format, const Socket& stream) {
  std::optional<PictureSize> size = PictureSizeOf(format);
  if (!size) return -1;
  Stop();
  size_ = *size;
  stream_ = &stream;
  idleMs_ = Timeouts().streamIdleMs;
  received_ = 0;
  shown_ = 0;
  dropped_ = 0;
  pause_ = Timeouts().renderFirstPauseMs;

  // The window's drawing target, taken once; the bitmap's pixel bits hold the decoder's
  // rows top row first, which the bottom-up bitmap shows as its bottom row.
  target_ = kavrel::FindWindow(window);
  const std::size_t pixels = static_cast<std::size_t>(size_.width) * static_cast<std::size_t>(size_.height);
  bitmap_.assign(pixels * 3, 0);
  frames_ = std::make_unique<SlotQueue>(SlotQueueKind::Data, kFrameQueueSlots, pixels);
  // Formats 4 and 5 are refused by the decoder: the player then shows no pictures.
  decoder_.Init(window, frames_->OutputBuffer(), bitmap_.data(), format);

  StartWorker(receiver_, &CctvPlayer::ReceiveThread);
  StartWorker(renderer_, &CctvPlayer::RenderThread);
  return 0;
}

void CctvPlayer::Stop() {
  if (!frames_) return;
  StopWorker(renderer_);
  StopWorker(receiver_);
  decoder_.Destroy();
  frames_.reset();
  bitmap_.clear();
  bitmap_.shrink_to_fit();
  target_.reset();
  stream_ = nullptr;
}

void CctvPlayer::StartWorker(Worker& worker, void (CctvPlayer::*body)()) {
  worker.stops = std::make_unique<SlotQueue>(SlotQueueKind::Message, kStopQueueSlots);
  worker.event = std::make_unique<AutoResetEvent>();
  worker.thread = std::thread(body, this);
}

void CctvPlayer::StopWorker(Worker& worker) {
  if (!worker.thread.joinable()) return;
  // The thread signals the event as its last act; the join then returns at once.
  while (!PostStopMessage(*worker.stops, *worker.event)) kavrel::Sleep(1);
  worker.event->Wait();
  worker.thread.join();
  worker.event.reset();
  worker.stops.reset();
}

// ---- receiver ----

CctvPlayer::ReadResult CctvPlayer::ReadStream(void* buffer, std::size_t n) {
  // Like RecvWithTimeout (the idle time counts from the last byte), but a stop message
  // ends the read within a slice, however slowly the stream trickles.
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t got = 0;
  std::uint32_t last = kavrel::GetTickCount();
  while (got < n) {
    if (auto stop = TakeStopMessage(*receiver_.stops)) {
      pendingStop_ = stop;
      return ReadResult::Stopped;
    }
    std::uint32_t idle = kavrel::GetTickCount() - last;
    if (idle > idleMs_) return ReadResult::TimedOut;
    pollfd p{stream_->fd(), POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(std::min(kStopSliceMs, idleMs_ - idle + 1)));
    if (ready <= 0) continue;  // nothing yet (or a signal): look again
    ssize_t r = ::recv(stream_->fd(), out + got, n - got, 0);
    if (r > 0) {
      got += static_cast<std::size_t>(r);
      last = kavrel::GetTickCount();
    } else if (r == 0 || (errno != EINTR && errno != EAGAIN)) {
      return ReadResult::Closed;  // the stream ended or broke: nothing more will come
    }
  }
  return ReadResult::Ok;
}

CctvPlayer::ReadResult CctvPlayer::ReadPicture(std::size_t offset, std::size_t length) {
  std::uint8_t* input = frames_->InputBuffer();
  while (offset < length) {
    std::size_t piece = std::min(kStreamPieceSize, length - offset);
    ReadResult r = ReadStream(input + offset, piece);
    if (r != ReadResult::Ok) return r;
    offset += piece;
  }
  return ReadResult::Ok;
}

CctvPlayer::ReadResult CctvPlayer::Skip(std::size_t length) {
  std::uint8_t scratch[kStreamPieceSize];
  for (std::size_t left = length; left > 0;) {
    std::size_t piece = std::min(sizeof scratch, left);
    ReadResult r = ReadStream(scratch, piece);
    if (r != ReadResult::Ok) return r;
    left -= piece;
  }
  return ReadResult::Ok;
}

CctvPlayer::ReadResult CctvPlayer::Resynchronise(std::size_t& length, std::size_t& have) {
  // A window over the stream: a frame header and the first three bytes after it.
  constexpr std::size_t kWindow = kFrameHeaderSize + 3;
  std::uint8_t window[kWindow];
  std::size_t filled = 0;
  for (;;) {
    if (filled == kWindow) {
      std::uint32_t type = kavrel::ReadU32(window, 0);
      std::uint32_t size = kavrel::ReadU32(window, 4);
      if (type == kPictureFrame && size >= 3 && size <= frames_->slotSize() && StartsPicture(window + 8)) {
        length = size;
        have = 3;
        std::memcpy(frames_->InputBuffer(), window + 8, 3);
        return ReadResult::Ok;
      }
      std::memmove(window, window + 1, kWindow - 1);
      --filled;
    }
    ReadResult r = ReadStream(window + filled, 1);
    if (r == ReadResult::Ok)
      ++filled;
    else if (r != ReadResult::TimedOut)
      return r;  // a silent stream is no reason to give up the search
  }
}

void CctvPlayer::EndReceiver(std::optional<std::uint32_t> event) {
  // A closed stream brings nothing more: wait for the stop message.
  while (!event) {
    kavrel::Sleep(kIdlePollMs);
    event = TakeStopMessage(*receiver_.stops);
  }
  SignalEvent(*event);
}

void CctvPlayer::ReceiveThread() {
  received_ = 0;
  bool inStep = true;  // the next bytes are a frame header
  for (;;) {
    if (auto stop = TakeStopMessage(*receiver_.stops)) return EndReceiver(stop);

    std::size_t length = 0;
    std::size_t have = 0;
    ReadResult r;
    if (inStep) {
      std::uint8_t header[kFrameHeaderSize];
      // The first byte may be long in coming (a silent stream); once it came, the
      // frame has begun and a time-out loses its boundary.
      r = ReadStream(header, 1);
      if (r == ReadResult::TimedOut) continue;
      if (r == ReadResult::Ok) r = ReadStream(header + 1, kFrameHeaderSize - 1);
      if (r == ReadResult::Ok) {
        std::uint32_t type = kavrel::ReadU32(header, 0);
        length = type == kPictureFrame ? kavrel::ReadU32(header, 4) : 0;
        if (length > frames_->slotSize()) {
          // Larger than any slot: the frame is dropped, the stream goes on after it.
          dropped_.fetch_add(1, std::memory_order_relaxed);
          r = Skip(length);
          if (r == ReadResult::Ok) continue;
          if (r == ReadResult::TimedOut) {
            inStep = false;
            continue;
          }
        }
      }
    } else {
      r = Resynchronise(length, have);
      if (r == ReadResult::Ok) inStep = true;
    }
    if (r == ReadResult::Ok) r = ReadPicture(have, length);
    if (r == ReadResult::Stopped) return EndReceiver(pendingStop_);
    if (r == ReadResult::Closed) return EndReceiver(std::nullopt);
    if (r == ReadResult::TimedOut) {
      // Bytes taken before the time-out are gone: drop the partial frame and find the
      // next frame header.
      dropped_.fetch_add(1, std::memory_order_relaxed);
      inStep = false;
      continue;
    }

    // A full queue empties as the renderer draws; look for a stop meanwhile.
    while (!frames_->Push(length)) {
      if (auto stop = TakeStopMessage(*receiver_.stops)) return EndReceiver(stop);
      kavrel::Sleep(kFullQueueRetryMs);
    }
    received_.fetch_add(1, std::memory_order_relaxed);
  }
}

// ---- renderer ----

void CctvPlayer::RenderThread() {
  kavrel::Sleep(1);
  kavrel::SetWaitCursor();
  std::uint32_t pause = pause_.load(std::memory_order_relaxed);
  shown_ = 0;
  std::optional<std::uint32_t> stop;
  while (!(stop = TakeStopMessage(*renderer_.stops))) {
    std::size_t length = 0;
    if (frames_->Pop(length)) {
      kavrel::SetArrowCursor();
      // An empty frame carries no picture: nothing to decode or draw.
      if (length > 0) {
        decoder_.Decode(static_cast<int>(length));
        if (target_) target_->ShowPicture(bitmap_.data(), size_.width, size_.height);
      }
      long shown = shown_.fetch_add(1, std::memory_order_relaxed) + 1;
      pause = NextPause(pause, received() - shown);
      pause_.store(pause, std::memory_order_relaxed);
    }
    for (std::uint32_t left = pause; left > 0 && !stop;) {
      std::uint32_t slice = std::min(left, kSleepSliceMs);
      kavrel::Sleep(slice);
      left -= slice;
      stop = TakeStopMessage(*renderer_.stops);
    }
    if (stop) break;
  }
  kavrel::SetArrowCursor();
  SignalEvent(*stop);
}

}  // namespace zmntp
