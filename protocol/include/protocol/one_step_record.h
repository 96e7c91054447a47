// ONE_TIME_NET_CMD: the selection of followed roads, routes and cameras and, in the
// cache, the data of each. On the wire it is 732 bytes of 4-byte little-endian fields;
// here the data fields are owned byte blocks kept beside the fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "protocol/records.h"

namespace protocol {

constexpr std::size_t kOneStepRecordSize = 732;
constexpr std::size_t kOneStepMaxEntries = 10;
constexpr std::size_t kOneStepRoadNameSize = 32;

// Byte offsets of the wire form.
namespace one_step {
constexpr std::size_t kTicks = 0;
constexpr std::size_t kIntervals = 16;
constexpr std::size_t kFlagA = 32;  // value of item type 80
constexpr std::size_t kFlagB = 33;  // value of item type 112
constexpr std::size_t kItemCount = 36;
constexpr std::size_t kItemTypes = 40;
constexpr std::size_t kItemData = 80;
constexpr std::size_t kRoadCount = 120;
constexpr std::size_t kRoadNames = 124;
constexpr std::size_t kSpeedData = 444;
constexpr std::size_t kRouteCount = 484;
constexpr std::size_t kRouteQueries = 488;
constexpr std::size_t kRouteData = 608;
constexpr std::size_t kCameraCount = 648;
constexpr std::size_t kCameraIds = 652;
constexpr std::size_t kStillData = 692;
}  // namespace one_step

// Item types of the bulk exchange.
constexpr std::uint32_t kItemNews = 1;
constexpr std::uint32_t kItemTextA = 32;
constexpr std::uint32_t kItemTextB = 33;
constexpr std::uint32_t kItemTextC = 34;
constexpr std::uint32_t kItemLimits = 64;
constexpr std::uint32_t kItemFlagA = 80;
constexpr std::uint32_t kItemBroadcast = 96;
constexpr std::uint32_t kItemFlagB = 112;

// Blocks of the expanded bulk reply, in order: per item by type (news: u32 length and
// the text; texts 32-34: 80 bytes; limits: 28 bytes; flags 80 and 112: 1 byte;
// broadcast: 32 bytes; any other type: nothing); per road: u32 length and one signed
// speed byte per segment; per route: u32 count and that many route records; per
// camera: u32 length and one coded picture.
constexpr std::size_t kBroadcastBlockSize = 32;
constexpr std::size_t kFlagBlockSize = 1;

using Block = std::vector<std::uint8_t>;  // empty: no data

struct OneStepRecord {
  std::array<std::uint32_t, 4> ticks{};
  std::array<std::uint32_t, 4> intervals{};
  std::uint8_t flagA = 0;
  std::uint8_t flagB = 0;
  std::uint32_t itemCount = 0;
  std::array<std::uint32_t, kOneStepMaxEntries> itemTypes{};
  std::array<Block, kOneStepMaxEntries> itemData;
  std::uint32_t roadCount = 0;
  std::array<std::array<std::uint8_t, kOneStepRoadNameSize>, kOneStepMaxEntries> roadNames{};
  std::array<Block, kOneStepMaxEntries> speedData;
  std::uint32_t routeCount = 0;
  std::array<std::array<std::uint8_t, kRouteQuerySize>, kOneStepMaxEntries> routeQueries{};
  std::array<Block, kOneStepMaxEntries> routeData;
  std::uint32_t cameraCount = 0;
  std::array<std::uint32_t, kOneStepMaxEntries> cameraIds{};
  std::array<Block, kOneStepMaxEntries> stillData;

  // The caller's 732 bytes; counts above ten are taken as ten.
  static OneStepRecord FromWire(std::span<const std::uint8_t> bytes);
  // The request as sent: every field, with the clock and data fields 0.
  std::array<std::uint8_t, kOneStepRecordSize> ToWireRequest() const;
  // The road name of entry j, up to its NUL.
  std::string_view RoadName(std::size_t j) const;
  // Releases every data block, whatever the counts say.
  void FreeData();
};

// Interval of a refresh group for a server limit in minutes: 3 s short of them
// (unsigned, so 0 minutes gives -3,000 ms and a refresh at every request).
inline std::uint32_t RefreshInterval(std::uint32_t minutes) { return minutes * 60000u - 3000u; }

// Walks an expanded bulk reply into `record`'s data blocks, in block order: items by
// type, one speed block per road, one route block per route, one picture block per
// camera. Limits (type 64) also set the clocks to `now` and the intervals. Returns
// false, leaving the data partly filled, when a block would pass the end of `reply`.
bool WalkOneStepReply(std::span<const std::uint8_t> reply, OneStepRecord& record, std::uint32_t now);

}  // namespace protocol
