// Code 96: the newest broadcast time and ".\CastingDate".
#include <fstream>

#include "kavrel/little_endian.h"
#include "library_fixture.h"
#include "server_commands.h"

namespace zmntp::testing {
namespace {

class BroadcastCheck : public LibraryTest {
 protected:
  Outcome Check(const Bytes& reply) {
    ScriptedPeer peer(TestAddress(), {{24, Framed(reply)}});
    return Run(peer, CMD_BROADCAST_CHECK, nullptr);
  }
  std::filesystem::path castingDate() const { return dir_ / "CastingDate"; }
};

TEST_F(BroadcastCheck, NewTimeGivesOneOnceAndIsStored) {
  Outcome first = Check(ToBytes("2026-12-07 08:30"));
  EXPECT_EQ(first.result, 0);
  EXPECT_EQ(first.count, 1u);
  EXPECT_EQ(first.data, Bytes{1});
  // The file holds the time as a 64-bit little-endian file time.
  std::ifstream in(castingDate(), std::ios::binary);
  Bytes stored(8);
  in.read(reinterpret_cast<char*>(stored.data()), 8);
  EXPECT_EQ(kavrel::ReadU64(stored.data(), 0), *ToFileTime(2026, 12, 7, 8, 30));

  EXPECT_EQ(Check(ToBytes("2026-12-07 08:30")).data, Bytes{0});  // the same time again
  EXPECT_EQ(Check(ToBytes("2026-12-06 23:59")).data, Bytes{0});  // an older one
  EXPECT_EQ(Check(ToBytes("2026-12-07 08:31")).data, Bytes{1});  // a newer one
}

TEST_F(BroadcastCheck, NoBroadcastOrUnreadableTimeGivesZeroAndLeavesTheFile) {
  for (const char* reply : {"#", "#2026-12-07 08:30", "2026-12-07", "", "2026-13-07 08:30", "2026-02-30 08:30",
                            "20x6-12-07 08:30"}) {
    SCOPED_TRACE(reply);
    Outcome o = Check(ToBytes(reply));
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.count, 1u);
    EXPECT_EQ(o.data, Bytes{0});
    EXPECT_FALSE(std::filesystem::exists(castingDate()));
  }
  EXPECT_EQ(LogLines(), std::vector<std::string>{});
}

TEST_F(BroadcastCheck, FailuresUseTheirOwnLogLines) {
  ScriptedPeer peer(TestAddress(), {{24, {}, Conversation::Then::Close}});
  unsigned long count = 1;
  EXPECT_EQ(lib_.SendCmd(peer.addressText(), 7000, CMD_BROADCAST_CHECK, &count, nullptr), 3);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"ZMNT:SendCmd:(교통방송확인):1:recv=0"});
}

TEST(FileTime, KnownInstants) {
  EXPECT_EQ(ToFileTime(1601, 1, 1, 0, 0), 0u);
  // 1970-01-01 is 11,644,473,600 seconds after 1601-01-01.
  EXPECT_EQ(ToFileTime(1970, 1, 1, 0, 0), 116444736000000000ull);
  EXPECT_EQ(*ToFileTime(2024, 3, 1, 0, 0) - *ToFileTime(2024, 2, 28, 0, 0), 2ull * 86400 * 10000000);
  EXPECT_FALSE(ToFileTime(2023, 2, 29, 0, 0));
  EXPECT_FALSE(ToFileTime(2026, 1, 1, 24, 0));
}

}  // namespace
}  // namespace zmntp::testing
