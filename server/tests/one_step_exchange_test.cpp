// The bulk exchange's reply: its blocks and its compression.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "HTC_AC3.h"
#include "kavrel/little_endian.h"
#include "one_step_reply.h"
#include "request_parser.h"

namespace kavreld {
using namespace protocol;
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(OneStepReply, BlocksFollowTheSelectionInOrder) {
  protocol::OneStepRecord s;
  s.itemCount = 4;
  s.itemTypes = {protocol::kItemNews, protocol::kItemTextA, 5, protocol::kItemLimits};
  s.roadCount = 1;
  std::memcpy(s.roadNames[0].data(), "road", 4);
  s.routeCount = 1;
  s.routeQueries[0] = {1, 0xAA, 0xBB, 0xCC, 7, 0, 0, 0, 9, 0, 0, 0};
  s.cameraCount = 1;
  s.cameraIds[0] = 42;
  std::vector<std::pair<std::uint32_t, Bytes>> asked;
  Bytes reply = BuildOneStepReply(s, [&](std::uint32_t code, Bytes body) {
    asked.emplace_back(code, body);
    switch (code) {
      case kTickerText: return Bytes{'n', 'e', 'w', 's'};
      case kTextItemA: return Bytes(200, 'a');  // cut to its 80 bytes
      case kRefreshIntervals: return Bytes(28, 3);
      case kRoadSpeed: return Bytes{50, 60, 70};
      case kRoute: return Bytes(2 * 134 + 5, 'r');  // whole records only
      default: return Bytes{'p', 'i', 'c'};
    }
  });
  Bytes expect;
  auto u32 = [&](std::uint32_t v) {
    std::uint8_t w[4];
    kavrel::WriteU32(w, 0, v);
    expect.insert(expect.end(), w, w + 4);
  };
  auto bytes = [&](Bytes b) { expect.insert(expect.end(), b.begin(), b.end()); };
  u32(4), bytes({'n', 'e', 'w', 's'}), bytes(Bytes(80, 'a')), bytes(Bytes(28, 3));
  u32(3), bytes({50, 60, 70});
  u32(2), bytes(Bytes(2 * 134, 'r'));
  u32(3), bytes({'p', 'i', 'c'});
  EXPECT_EQ(reply, expect);
  // The road is asked for by name, the route with the kind in its first byte only.
  ASSERT_EQ(asked.size(), 6u);
  EXPECT_EQ(asked[3].second.size(), kTextBodySize);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(asked[3].second.data())), "road");
  EXPECT_EQ(asked[4].second, (Bytes{1, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0}));
  EXPECT_EQ(kavrel::ReadU32(asked[5].second.data(), 0), 42u);
}

Bytes Expand(const Bytes& packed) {
  Bytes buffer(10 * packed.size());
  HTC_AC3_CONTEXT ctx = HTC_AC3_CreateContext(buffer.data());
  long n = HTC_AC3_DoDecoding(ctx, packed.data(), packed.size(), buffer.data(), buffer.size());
  HTC_AC3_DisposeContext(ctx);
  if (n < 0) return {};
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

TEST(OneStepReply, CompressedReplyAlwaysFitsTenTimesItsSize) {
  Bytes varied(20000);
  for (std::size_t i = 0; i < varied.size(); ++i) varied[i] = static_cast<std::uint8_t>((i * 7919) >> 3);
  for (const Bytes& expanded : {Bytes(50000, 0), varied, Bytes{}}) {
    Bytes packed = CompressOneStepReply(expanded);
    ASSERT_FALSE(packed.empty());
    EXPECT_LE(expanded.size(), 10 * packed.size());
    EXPECT_EQ(Expand(packed), expanded);
  }
}

}  // namespace
}  // namespace kavreld
