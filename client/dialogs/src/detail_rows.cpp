#include "detail_rows.h"

#include "ansi_text.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "reply_records.h"
#include "viewer_texts.h"

namespace {

constexpr std::size_t kRoadNameOffset = 8;
constexpr std::size_t kRoadNameSize = 32;

DetailRow Place(const QString& name, const CameraLookup& cameraOf) {
  DetailRow row;
  row.isNode = true;
  row.name = name;
  row.cameraId = name.isEmpty() ? -1 : cameraOf(name);
  row.hasCctv = row.cameraId != -1;
  return row;
}

QString RoadPlaceName(std::span<const std::uint8_t> records, std::size_t i) {
  const std::uint8_t* r = records.data() + i * client::kRoadSpeedRecordSize;
  return client::FromAnsi(kavrel::ReadCp949Field(r + kRoadNameOffset, kRoadNameSize));
}

}  // namespace

std::vector<DetailRow> RoadRows(std::span<const std::uint8_t> records, const CameraLookup& cameraOf) {
  std::vector<DetailRow> rows;
  const std::size_t n = client::RoadSpeedRecordCount(records);
  if (n == 0) return rows;
  QString last;
  for (std::size_t k = 0; k < n; k += 2) {
    if (k + 1 == n) break;
    if (k + 2 == n) last = RoadPlaceName(records, k);
    rows.push_back(Place(RoadPlaceName(records, k + 1), cameraOf));
    DetailRow section;
    section.speed = client::RoadSpeedOf(records, k + 1);
    section.speed2 = client::RoadSpeedOf(records, k);
    rows.push_back(section);
  }
  rows.push_back(Place(last, cameraOf));
  return rows;
}

std::vector<DetailRow> RouteRows(std::span<const std::uint8_t> records, const CameraLookup& cameraOf) {
  std::vector<DetailRow> rows;
  const std::size_t n = client::RouteSegmentCount(records);
  if (n == 0) return rows;
  rows.push_back(Place(client::FromAnsi(client::RouteSegmentOf(records, 0).name), cameraOf));
  for (std::size_t k = 1; k < n; ++k) {
    const client::RouteSegment segment = client::RouteSegmentOf(records, k);
    DetailRow leg;
    leg.speed = segment.speed;
    leg.time = segment.time;
    rows.push_back(leg);
    rows.push_back(Place(client::FromAnsi(segment.name), cameraOf));
  }
  return rows;
}

QString RowText(const DetailRow& row, bool routeMode) {
  if (row.isNode) {
    QString text = row.name.isEmpty() ? QString::fromUtf8(viewer::kNoName) : row.name;
    if (row.hasCctv) text += QString::fromUtf8(viewer::kCctvMark);
    return text;
  }
  if (routeMode) return QStringLiteral("%1km/h ↓ ↓  %2초").arg(row.speed).arg(row.time);
  return QStringLiteral("%1km/h ↓ ↑  %2km/h").arg(row.speed).arg(row.speed2);
}
