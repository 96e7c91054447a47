// The fixed-slot queue between one producer and one consumer, and the stop handshake
// built on it.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "kavrel/little_endian.h"
#include "slot_queue.h"
#include "stop_signal.h"

namespace zmntp {
namespace {

// Pushes `length` bytes of `value` through the input buffer.
bool PushBytes(SlotQueue& q, std::uint8_t value, std::size_t length) {
  std::memset(q.InputBuffer(), value, length);
  return q.Push(length);
}

TEST(SlotQueue, DataSlotsComeOutInOrderAcrossTheWrap) {
  SlotQueue q(SlotQueueKind::Data, 3, 16);
  std::size_t length = 99;
  EXPECT_FALSE(q.Pop(length));
  EXPECT_EQ(length, 0u);
  // Ten rounds through three slots: both indexes wrap several times.
  for (std::uint8_t round = 0; round < 10; ++round) {
    ASSERT_TRUE(PushBytes(q, round, 1 + round));
    ASSERT_TRUE(PushBytes(q, static_cast<std::uint8_t>(round + 100), 16));
    ASSERT_TRUE(q.Pop(length));
    EXPECT_EQ(length, 1u + round);
    EXPECT_EQ(q.OutputBuffer()[0], round);
    EXPECT_EQ(q.OutputBuffer()[round], round);
    ASSERT_TRUE(q.Pop(length));
    EXPECT_EQ(length, 16u);
    EXPECT_EQ(q.OutputBuffer()[15], round + 100);
  }
  EXPECT_FALSE(q.Pop(length));
}

TEST(SlotQueue, FullQueueRefusesUntilTheOldestSlotIsTaken) {
  SlotQueue q(SlotQueueKind::Data, 4, 8);
  for (std::uint8_t i = 0; i < 4; ++i) ASSERT_TRUE(PushBytes(q, i, 8));
  EXPECT_FALSE(PushBytes(q, 9, 8));
  EXPECT_FALSE(PushBytes(q, 9, 8));
  std::size_t length = 0;
  ASSERT_TRUE(q.Pop(length));
  EXPECT_EQ(q.OutputBuffer()[0], 0);
  // The refused pushes left nothing behind; the freed slot takes the next one.
  ASSERT_TRUE(PushBytes(q, 4, 8));
  EXPECT_FALSE(PushBytes(q, 5, 8));
  for (std::uint8_t want = 1; want <= 4; ++want) {
    ASSERT_TRUE(q.Pop(length));
    EXPECT_EQ(q.OutputBuffer()[7], want);
  }
}

TEST(SlotQueue, LengthLargerThanASlotIsRefused) {
  SlotQueue q(SlotQueueKind::Data, 2, 8);
  EXPECT_FALSE(q.Push(9));
  std::size_t length = 0;
  EXPECT_FALSE(q.Pop(length));
  EXPECT_TRUE(PushBytes(q, 1, 0));  // an empty frame is a frame
  EXPECT_TRUE(q.Pop(length));
  EXPECT_EQ(length, 0u);
}

TEST(SlotQueue, MessagesKeepTheirBytesAndCarryTheFullStateFirst) {
  SlotQueue q(SlotQueueKind::Message, 2);
  for (std::size_t i = 0; i < SlotQueue::kMessageSize; ++i) q.InputMessage()[i] = static_cast<std::uint8_t>(i + 1);
  ASSERT_TRUE(q.Push());
  ASSERT_TRUE(q.Pop());
  EXPECT_EQ(q.OutputMessage()[0], SlotQueue::kFull);
  for (std::size_t i = 1; i < SlotQueue::kMessageSize; ++i) EXPECT_EQ(q.OutputMessage()[i], i + 1);
}

TEST(SlotQueue, FramesCrossBetweenThreadsIntactAndInOrder) {
  constexpr int kFrames = 20000;
  SlotQueue q(SlotQueueKind::Data, 5, 64);
  std::thread producer([&] {
    for (int n = 0; n < kFrames; ++n) {
      std::size_t length = 5 + static_cast<std::size_t>(n % 59);
      std::memset(q.InputBuffer(), n & 0xFF, length);
      kavrel::WriteU32(q.InputBuffer(), 0, static_cast<std::uint32_t>(n));
      while (!q.Push(length)) std::this_thread::yield();
    }
  });
  int next = 0;
  std::size_t length = 0;
  while (next < kFrames) {
    if (!q.Pop(length)) {
      std::this_thread::yield();
      continue;
    }
    ASSERT_EQ(kavrel::ReadU32(q.OutputBuffer(), 0), static_cast<std::uint32_t>(next));
    ASSERT_EQ(length, 5 + static_cast<std::size_t>(next % 59));
    ASSERT_EQ(q.OutputBuffer()[length - 1], next & 0xFF);
    ++next;
  }
  producer.join();
}

TEST(StopMessage, NamesTheEventToSignalAndOtherMessagesAreDropped) {
  SlotQueue q(SlotQueueKind::Message, kStopQueueSlots);
  AutoResetEvent event;
  ASSERT_NE(event.handle(), 0u);
  EXPECT_EQ(AutoResetEvent::FromHandle(event.handle()), &event);

  std::memset(q.InputMessage(), 0, SlotQueue::kMessageSize);
  kavrel::WriteU32(q.InputMessage(), kStopCodeOffset, 11);
  ASSERT_TRUE(q.Push());
  ASSERT_TRUE(PostStopMessage(q, event));
  EXPECT_EQ(TakeStopMessage(q), std::nullopt);  // the other message, dropped
  EXPECT_EQ(TakeStopMessage(q), event.handle());
  EXPECT_EQ(TakeStopMessage(q), std::nullopt);  // empty
}

TEST(StopMessage, HandshakeWaitsForTheThreadsLastAct) {
  SlotQueue q(SlotQueueKind::Message, kStopQueueSlots);
  std::uint32_t stale;
  {
    AutoResetEvent event;
    stale = event.handle();
    bool finished = false;
    std::thread worker([&] {
      std::optional<std::uint32_t> stop;
      while (!(stop = TakeStopMessage(q))) std::this_thread::yield();
      finished = true;
      SignalEvent(*stop);
    });
    ASSERT_TRUE(PostStopMessage(q, event));
    event.Wait();
    EXPECT_TRUE(finished);
    worker.join();
  }
  // A handle outlives its event harmlessly.
  EXPECT_EQ(AutoResetEvent::FromHandle(stale), nullptr);
  SignalEvent(stale);
  SignalEvent(0);
}

}  // namespace
}  // namespace zmntp
