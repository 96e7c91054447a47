#include "slot_queue.h"

#include <cstring>

namespace zmntp {

SlotQueue::SlotQueue(SlotQueueKind kind, std::size_t slotCount, std::size_t slotSize)
    : kind_(kind),
      slotCount_(slotCount == 0 ? 1 : slotCount),
      slotSize_(kind == SlotQueueKind::Data ? slotSize : 0),
      stride_(kind == SlotQueueKind::Data ? slotSize : kMessageSize),
      area_(slotCount_ * stride_, 0),
      lengths_(kind == SlotQueueKind::Data ? slotCount_ : 0, 0),
      states_(kind == SlotQueueKind::Data ? slotCount_ : 0, kEmpty),
      input_(stride_, 0),
      output_(stride_, 0) {}

std::atomic_ref<std::uint8_t> SlotQueue::State(std::size_t slot) {
  return std::atomic_ref<std::uint8_t>(kind_ == SlotQueueKind::Data ? states_[slot] : Slot(slot)[0]);
}

bool SlotQueue::Push(std::size_t length) {
  if (kind_ == SlotQueueKind::Data && length > slotSize_) return false;
  if (writeIndex_ == slotCount_) writeIndex_ = 0;
  std::atomic_ref<std::uint8_t> state = State(writeIndex_);
  if (state.load(std::memory_order_acquire) != kEmpty) return false;
  std::uint8_t* slot = Slot(writeIndex_);
  if (kind_ == SlotQueueKind::Data) {
    if (length > 0) std::memcpy(slot, input_.data(), length);
    lengths_[writeIndex_] = length;
  } else {
    // Every byte but the state byte, which the store below publishes.
    std::memcpy(slot + 1, input_.data() + 1, kMessageSize - 1);
  }
  state.store(kFull, std::memory_order_release);
  ++writeIndex_;
  return true;
}

bool SlotQueue::Pop(std::size_t& length) {
  length = 0;
  popLock_.acquire();
  if (readIndex_ == slotCount_) readIndex_ = 0;
  std::atomic_ref<std::uint8_t> state = State(readIndex_);
  bool taken = state.load(std::memory_order_acquire) == kFull;
  if (taken) {
    const std::uint8_t* slot = Slot(readIndex_);
    if (kind_ == SlotQueueKind::Data) {
      length = lengths_[readIndex_];
      if (length > 0) std::memcpy(output_.data(), slot, length);
    } else {
      output_[0] = kFull;
      std::memcpy(output_.data() + 1, slot + 1, kMessageSize - 1);
    }
    state.store(kEmpty, std::memory_order_release);
    ++readIndex_;
  }
  popLock_.release();
  return taken;
}

}  // namespace zmntp
