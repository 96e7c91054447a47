// A selected road, bridge or tunnel point and its fetched speed records.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class RoadItem {
 public:
  RoadItem(int kind, QString name) : kind(kind), name(std::move(name)) {}
  virtual ~RoadItem() = default;

  int kind;      // 1 road "대 로", 2 bridge "다 리", 3 tunnel "터 널"
  QString name;  // as the server's point list gives it
  // Fetched speed records (104 bytes each); nullopt until a fetch attached some.
  std::optional<std::vector<std::uint8_t>> records;
  std::uint32_t recordCount = 0;
  int downSpeed = 0;  // km/h
  int upSpeed = 0;

  // Averages the records into the two speeds: even records are the up direction, odd
  // ones the down direction, each sum divided by half the count. Without records both
  // are 0; with a count of 0 they keep their values.
  void ComputeSpeeds();
};
