// The rows of the road and route detail dialogs: places, and the sections or legs
// between them with their speeds.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

struct DetailRow {
  std::int32_t cameraId = -1;  // the camera named like the place; -1: none
  int time = 0;                // route legs: seconds
  int speed = 0;               // km/h
  int speed2 = 0;              // road sections: the other direction, km/h
  QString name;                // place name
  bool isNode = false;         // a place (else a section or leg)
  bool hasCctv = false;
};

// The id of the camera named so, or -1.
using CameraLookup = std::function<std::int32_t(const QString&)>;

// A road's 104-byte speed records: place R[1], section (R[1] down, R[0] up), place
// R[3], ... and last the place of the last pair's first record. Nothing without records.
std::vector<DetailRow> RoadRows(std::span<const std::uint8_t> records, const CameraLookup& cameraOf);
// A route's 134-byte segment records: place R[0], then a leg (R[k]'s speed and time)
// and place R[k] for every further record.
std::vector<DetailRow> RouteRows(std::span<const std::uint8_t> records, const CameraLookup& cameraOf);

// What a row shows.
QString RowText(const DetailRow& row, bool routeMode);
