// A selected route, fastest or shortest, from one point to another, and its fetched
// segment records.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class RouteItem {
 public:
  QString originName;
  QString destinationName;
  std::uint32_t originId = 0;
  std::uint32_t destinationId = 0;
  int kind = 1;  // 1 fastest "빠른길", 0 shortest "가까운길"
  // Fetched segment records (134 bytes each); nullopt until a fetch attached some.
  std::optional<std::vector<std::uint8_t>> records;
  std::uint32_t recordCount = 0;
  int position = 0;  // order in its buffer

  virtual ~RouteItem() = default;

  // Sums of the segments' times (seconds) and lengths (metres), over the records the
  // buffer really holds.
  struct Totals {
    long long seconds = 0;
    long long metres = 0;
  };
  Totals Sum() const;
  // "%d분%d초" of the total time and the length in km with three decimals ("12.045");
  // both empty when the item has a record count but no records.
  QString TimeText() const;
  QString LengthText() const;
};
