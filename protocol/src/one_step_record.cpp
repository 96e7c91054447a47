#include "protocol/one_step_record.h"

#include <algorithm>
#include <cstring>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"

namespace protocol {

using kavrel::ReadU32;
using kavrel::WriteU32;
namespace os = one_step;

OneStepRecord OneStepRecord::FromWire(std::span<const std::uint8_t> bytes) {
  OneStepRecord r;
  if (bytes.size() < kOneStepRecordSize) return r;
  const std::uint8_t* b = bytes.data();
  auto count = [&](std::size_t at) { return std::min<std::uint32_t>(ReadU32(b, at), kOneStepMaxEntries); };
  for (std::size_t g = 0; g < 4; ++g) {
    r.ticks[g] = ReadU32(b, os::kTicks + 4 * g);
    r.intervals[g] = ReadU32(b, os::kIntervals + 4 * g);
  }
  r.flagA = b[os::kFlagA];
  r.flagB = b[os::kFlagB];
  r.itemCount = count(os::kItemCount);
  r.roadCount = count(os::kRoadCount);
  r.routeCount = count(os::kRouteCount);
  r.cameraCount = count(os::kCameraCount);
  for (std::size_t i = 0; i < kOneStepMaxEntries; ++i) {
    r.itemTypes[i] = ReadU32(b, os::kItemTypes + 4 * i);
    std::memcpy(r.roadNames[i].data(), b + os::kRoadNames + kOneStepRoadNameSize * i, kOneStepRoadNameSize);
    std::memcpy(r.routeQueries[i].data(), b + os::kRouteQueries + kRouteQuerySize * i, kRouteQuerySize);
    r.cameraIds[i] = ReadU32(b, os::kCameraIds + 4 * i);
  }
  return r;
}

std::array<std::uint8_t, kOneStepRecordSize> OneStepRecord::ToWireRequest() const {
  std::array<std::uint8_t, kOneStepRecordSize> w{};
  std::uint8_t* b = w.data();
  b[os::kFlagA] = flagA;
  b[os::kFlagB] = flagB;
  WriteU32(b, os::kItemCount, itemCount);
  WriteU32(b, os::kRoadCount, roadCount);
  WriteU32(b, os::kRouteCount, routeCount);
  WriteU32(b, os::kCameraCount, cameraCount);
  for (std::size_t i = 0; i < kOneStepMaxEntries; ++i) {
    WriteU32(b, os::kItemTypes + 4 * i, itemTypes[i]);
    std::memcpy(b + os::kRoadNames + kOneStepRoadNameSize * i, roadNames[i].data(), kOneStepRoadNameSize);
    std::memcpy(b + os::kRouteQueries + kRouteQuerySize * i, routeQueries[i].data(), kRouteQuerySize);
    WriteU32(b, os::kCameraIds + 4 * i, cameraIds[i]);
  }
  return w;
}

std::string_view OneStepRecord::RoadName(std::size_t j) const {
  return kavrel::ReadCp949Field(roadNames[j].data(), kOneStepRoadNameSize);
}

void OneStepRecord::FreeData() {
  for (auto* area : {&itemData, &speedData, &routeData, &stillData})
    for (Block& block : *area) Block().swap(block);
}

namespace {

// Reads blocks off the front of the expanded reply, never past its end.
class BlockReader {
 public:
  explicit BlockReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  // `n` bytes as a block; false when fewer remain.
  bool Take(std::size_t n, Block& out) {
    if (n > bytes_.size() - at_) return false;
    out.assign(bytes_.begin() + static_cast<long>(at_), bytes_.begin() + static_cast<long>(at_ + n));
    at_ += n;
    return true;
  }
  // The u32 at the current place, without taking it.
  bool PeekU32(std::uint32_t& v) const {
    if (bytes_.size() - at_ < 4) return false;
    v = ReadU32(bytes_.data(), at_);
    return true;
  }
  // A block of a u32 length prefix and that many units, kept with its prefix.
  bool TakePrefixed(std::size_t unit, Block& out) {
    std::uint32_t n;
    if (!PeekU32(n)) return false;
    std::uint64_t size = 4 + static_cast<std::uint64_t>(n) * unit;
    if (size > bytes_.size() - at_) return false;
    return Take(static_cast<std::size_t>(size), out);
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace

bool WalkOneStepReply(std::span<const std::uint8_t> reply, OneStepRecord& r, std::uint32_t now) {
  BlockReader in(reply);
  for (std::size_t i = 0; i < r.itemCount; ++i) {
    Block& block = r.itemData[i];
    switch (r.itemTypes[i]) {
      case kItemNews:
        if (!in.TakePrefixed(1, block)) return false;
        break;
      case kItemTextA:
      case kItemTextB:
      case kItemTextC:
        if (!in.Take(kTextItemSize, block)) return false;
        break;
      case kItemLimits: {
        if (!in.Take(kServerLimitsSize, block)) return false;
        auto limit = [&](std::size_t k) { return ReadU32(block.data(), 4 * k); };
        r.ticks.fill(now);
        r.intervals = {RefreshInterval(limit(0)), RefreshInterval(limit(3)), RefreshInterval(limit(1)),
                       RefreshInterval(limit(5))};
        break;
      }
      case kItemFlagA:
      case kItemFlagB: {
        Block flag;
        if (!in.Take(kFlagBlockSize, flag)) return false;
        (r.itemTypes[i] == kItemFlagA ? r.flagA : r.flagB) = flag[0];
        break;
      }
      case kItemBroadcast:
        if (!in.Take(kBroadcastBlockSize, block)) return false;
        break;
      default:  // an unknown type stores and consumes nothing
        break;
    }
  }
  for (std::size_t j = 0; j < r.roadCount; ++j)
    if (!in.TakePrefixed(1, r.speedData[j])) return false;
  for (std::size_t j = 0; j < r.routeCount; ++j)
    if (!in.TakePrefixed(kRouteRecordSize, r.routeData[j])) return false;
  for (std::size_t j = 0; j < r.cameraCount; ++j)
    if (!in.TakePrefixed(1, r.stillData[j])) return false;
  return true;
}

}  // namespace protocol
