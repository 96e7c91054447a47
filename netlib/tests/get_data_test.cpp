// Handing results over: units, counts and the pending result.
#include "kavrel/clock.h"
#include "library_fixture.h"

namespace zmntp::testing {
namespace {

class GetData : public LibraryTest {};

TEST_F(GetData, CopiesCountTimesUnitButNeverPastThePendingResult) {
  const Bytes reply = ToBytes("0123456789");
  {
    ScriptedPeer peer(TestAddress(), {{24, Framed(reply)}});
    unsigned long count = 0;
    ASSERT_EQ(lib_.SendCmd(peer.addressText(), 7000, CMD_TICKER_TEXT, &count, nullptr), 0);
    ASSERT_EQ(count, 10u);
  }
  // Count 0 copies nothing and keeps the result; a code without a unit does the same.
  Bytes out(16, 0xEE);
  EXPECT_EQ(lib_.GetData(CMD_TICKER_TEXT, nullptr, 0, out.data()), 0);
  EXPECT_EQ(lib_.GetData(CMD_CCTV_VIDEO_START, nullptr, 10, out.data()), 0);
  EXPECT_EQ(out, Bytes(16, 0xEE));
  // More than there is: the result and zeros, nothing read past it.
  EXPECT_EQ(lib_.GetData(CMD_TICKER_TEXT, nullptr, 14, out.data()), 0);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 14), Concat({reply, Bytes(4, 0)}));
  EXPECT_EQ(Bytes(out.begin() + 14, out.end()), Bytes(2, 0xEE));
  // The result was released.
  Bytes again(4, 0xEE);
  lib_.GetData(CMD_TICKER_TEXT, nullptr, 4, again.data());
  EXPECT_EQ(again, Bytes(4, 0));
}

TEST_F(GetData, CopyAssignmentSharesThePendingResult) {
  ScriptedPeer peer(TestAddress(), {{24, Framed(ToBytes("abc"))}});
  unsigned long count = 0;
  ASSERT_EQ(lib_.SendCmd(peer.addressText(), 7000, CMD_TEXT_ITEM_B, &count, nullptr), 0);
  CZMNTP other;
  other = lib_;
  Bytes a(3), b(3);
  lib_.GetData(CMD_TEXT_ITEM_B, nullptr, 3, a.data());
  // The other object still refers to the same bytes, never to released memory.
  other.GetData(CMD_TEXT_ITEM_B, nullptr, 3, b.data());
  EXPECT_EQ(a, ToBytes("abc"));
  EXPECT_EQ(b, ToBytes("abc"));
}

TEST_F(GetData, VideoAndBulkCodesLeaveNothingAndTakeNoCount) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scope(clock);
  std::string address = TestAddress();
  unsigned long count = 5;
  std::vector<std::uint8_t> selection(732, 0);
  // The bulk codes give 0 whatever the exchange gave, after waiting 1,000 ms.
  EXPECT_EQ(lib_.SendCmd(address.data(), 7000, CMD_ONE_STEP_LOAD, &count, selection.data()), 0);
  EXPECT_GE(clock.TickCount() - 1000, 1000u);
}

}  // namespace
}  // namespace zmntp::testing
