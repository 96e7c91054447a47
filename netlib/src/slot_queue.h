// A fixed ring of slots between exactly one producer and one consumer. Each slot has a
// state byte (empty or full); the producer fills a slot and then marks it full, the
// consumer copies it out and then marks it empty, so the state byte alone hands the
// slot over (release on the store, acquire on the load). The producer takes no lock;
// Pop holds the pop lock.
//
// Data kind: slots of `slotSize` bytes with a length each; the producer puts a frame
// into InputBuffer() and pushes its length, the consumer pops it into OutputBuffer().
// Message kind: slots of 24-byte messages whose first byte is the slot state; the
// producer fills InputMessage(), the consumer reads OutputMessage().
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <semaphore>
#include <vector>

namespace zmntp {

enum class SlotQueueKind : std::uint8_t { Message = 1, Data = 2 };

class SlotQueue {
 public:
  static constexpr std::uint8_t kEmpty = 0;
  static constexpr std::uint8_t kFull = 0x11;
  static constexpr std::size_t kMessageSize = 24;

  // `slotSize` is used by the data kind only.
  SlotQueue(SlotQueueKind kind, std::size_t slotCount, std::size_t slotSize = 0);
  SlotQueue(const SlotQueue&) = delete;
  SlotQueue& operator=(const SlotQueue&) = delete;

  // Producer: copies the input (data kind: `length` bytes of the input buffer; message
  // kind: the input message) into the next slot. False when that slot is still full,
  // or when `length` is larger than a slot (nothing is copied then).
  bool Push(std::size_t length = 0);
  // Consumer: takes the oldest full slot into the output (buffer or message) and gives
  // its length (0 for messages). False, with length 0, when there is none.
  bool Pop(std::size_t& length);
  bool Pop() {
    std::size_t ignored;
    return Pop(ignored);
  }

  SlotQueueKind kind() const { return kind_; }
  std::size_t slotCount() const { return slotCount_; }
  std::size_t slotSize() const { return slotSize_; }

  // Data kind: slotSize() bytes each.
  std::uint8_t* InputBuffer() { return input_.data(); }
  std::uint8_t* OutputBuffer() { return output_.data(); }
  // Message kind: kMessageSize bytes each.
  std::uint8_t* InputMessage() { return input_.data(); }
  const std::uint8_t* OutputMessage() const { return output_.data(); }

 private:
  std::atomic_ref<std::uint8_t> State(std::size_t slot);
  std::uint8_t* Slot(std::size_t slot) { return area_.data() + slot * stride_; }

  const SlotQueueKind kind_;
  const std::size_t slotCount_;
  const std::size_t slotSize_;
  const std::size_t stride_;  // bytes per slot in the area
  std::vector<std::uint8_t> area_;
  std::vector<std::size_t> lengths_;  // data kind
  std::vector<std::uint8_t> states_;  // data kind; a message keeps its state in its first byte
  std::vector<std::uint8_t> input_;
  std::vector<std::uint8_t> output_;
  std::size_t writeIndex_ = 0;  // producer's
  std::size_t readIndex_ = 0;   // consumer's, under the pop lock
  std::binary_semaphore popLock_{1};
};

}  // namespace zmntp
