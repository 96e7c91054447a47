#include "road_item.h"

#include <algorithm>
#include <span>

#include "protocol/records.h"

void RoadItem::ComputeSpeeds() {
  if (!records) {
    downSpeed = upSpeed = 0;
    return;
  }
  if (recordCount == 0) return;
  // Never more records than the buffer holds.
  const std::vector<protocol::RoadSpeedRecord> all = protocol::ReadRoadSpeedRecords(*records);
  const std::size_t n = std::min<std::size_t>(recordCount, all.size());
  const std::size_t half = n / 2;
  if (half == 0) {
    downSpeed = upSpeed = 0;
    return;
  }
  long long up = 0, down = 0;
  for (std::size_t i = 0; i < n; ++i) (i % 2 == 0 ? up : down) += all[i].speed;
  upSpeed = static_cast<int>(up / static_cast<long long>(half));
  downSpeed = static_cast<int>(down / static_cast<long long>(half));
}
