#include "kavrel/clock.h"

#include <gtest/gtest.h>

namespace kavrel {
namespace {

TEST(FakeClock, SleepAdvancesTickAtOnceAndWraps) {
  FakeClock fake(0xFFFFFF00u);
  ScopedClock scope(fake);
  EXPECT_EQ(GetTickCount(), 0xFFFFFF00u);
  Sleep(500);
  // The tick count is 32-bit and wraps, so differences stay correct across the wrap.
  EXPECT_EQ(GetTickCount(), 0xFFFFFF00u + 500u);
  EXPECT_EQ(GetTickCount() - 0xFFFFFF00u, 500u);
  EXPECT_EQ(fake.SleepCalls(), 1u);
  fake.Advance(10);
  EXPECT_EQ(GetTickCount() - 0xFFFFFF00u, 510u);
}

TEST(FakeClock, InstalledOnlyForItsScope) {
  FakeClock fake(42);
  {
    ScopedClock scope(fake);
    EXPECT_EQ(&CurrentClock(), &fake);
    EXPECT_EQ(GetLocalTime().month, 3);
  }
  EXPECT_NE(&CurrentClock(), &fake);
  LocalTime now = GetLocalTime();
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_LT(now.millisecond, 1000);
}

}  // namespace
}  // namespace kavrel
