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
// How often a thread with nothing left to do looks for its stop message.
constexpr std::uint32_t kIdlePollMs = 20;
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
  // Every event first: a thread that started could not be stopped without one.
  if (!PrepareWorker(receiver_) || !PrepareWorker(renderer_)) {
    receiver_ = Worker{};
    renderer_ = Worker{};
    target_.reset();
    stream_ = nullptr;
    return -1;
  }
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

bool CctvPlayer::PrepareWorker(Worker& worker) {
  worker.event = std::make_unique<AutoResetEvent>();
  if (!worker.event->valid()) return false;
  worker.stops = std::make_unique<SlotQueue>(SlotQueueKind::Message, kStopQueueSlots);
  worker.inbox.emplace(*worker.stops);
  return true;
}

void CctvPlayer::StartWorker(Worker& worker, void (CctvPlayer::*body)()) { worker.thread = std::thread(body, this); }

void CctvPlayer::StopWorker(Worker& worker) {
  if (!worker.thread.joinable()) return;
  // The queue is the worker's own and only this stop is ever put into it. The thread
  // signals the event as its last act; the join then returns at once.
  PostStopMessage(*worker.stops, *worker.event);
  worker.event->Wait();
  worker.thread.join();
  worker = Worker{};
}

// ---- receiver ----

CctvPlayer::ReadResult CctvPlayer::ReadStream(void* buffer, std::size_t n) {
  // Like RecvWithTimeout (the idle time counts from the last byte), but a stop message
  // ends the read within a slice, however slowly the stream trickles.
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t got = 0;
  while (got < n) {
    switch (receiver_.inbox->WaitFor(stream_->fd(), POLLIN, idleMs_)) {
      case StopInbox::Wait::Stopped: return ReadResult::Stopped;
      case StopInbox::Wait::TimedOut: return ReadResult::TimedOut;
      case StopInbox::Wait::Ready: break;
    }
    ssize_t r = ::recv(stream_->fd(), out + got, n - got, MSG_DONTWAIT);
    if (r > 0)
      got += static_cast<std::size_t>(r);
    else if (r == 0 || (errno != EINTR && errno != EAGAIN))
      return ReadResult::Closed;  // the stream ended or broke: nothing more will come
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
      const protocol::FrameHeader frame = *protocol::ReadFrameHeader(window);
      const std::uint32_t size = frame.length;
      if (frame.type == kPictureFrame && size >= 3 && size <= frames_->slotSize() && StartsPicture(window + 8)) {
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

void CctvPlayer::ReceiveThread() {
  StopInbox& inbox = *receiver_.inbox;
  received_ = 0;
  bool inStep = true;  // the next bytes are a frame header
  // Until a stop, or the end of the stream (after which only the stop is left).
  while (!inbox.Stopped()) {

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
        length = protocol::ReadFrameHeader(header)->PictureLength();
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
    if (r == ReadResult::Stopped || r == ReadResult::Closed) break;
    if (r == ReadResult::TimedOut) {
      // Bytes taken before the time-out are gone: drop the partial frame and find the
      // next frame header.
      dropped_.fetch_add(1, std::memory_order_relaxed);
      inStep = false;
      continue;
    }

    // A full queue empties as the renderer draws; look for a stop meanwhile.
    bool pushed;
    while (!(pushed = frames_->Push(length)) && inbox.Pause(kFullQueueRetryMs)) {
    }
    if (pushed) received_.fetch_add(1, std::memory_order_relaxed);
  }
  inbox.WaitForStop(kIdlePollMs);
}

// ---- renderer ----

void CctvPlayer::RenderThread() {
  StopInbox& inbox = *renderer_.inbox;
  kavrel::Sleep(1);
  kavrel::SetWaitCursor();
  std::uint32_t pause = pause_.load(std::memory_order_relaxed);
  shown_ = 0;
  while (!inbox.Stopped()) {
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
    if (!inbox.Pause(pause)) break;
  }
  kavrel::SetArrowCursor();
  inbox.Acknowledge();
}

}  // namespace zmntp
