#include "detail_rows.h"

#include "ansi_text.h"
#include "protocol/records.h"
#include "viewer_texts.h"

namespace {

DetailRow Place(const QString& name, const CameraLookup& cameraOf) {
  DetailRow row;
  row.isNode = true;
  row.name = name;
  row.cameraId = name.isEmpty() ? -1 : cameraOf(name);
  row.hasCctv = row.cameraId != -1;
  return row;
}

}  // namespace

std::vector<DetailRow> RoadRows(std::span<const std::uint8_t> records, const CameraLookup& cameraOf) {
  std::vector<DetailRow> rows;
  const std::vector<protocol::RoadSpeedRecord> r = protocol::ReadRoadSpeedRecords(records);
  const std::size_t n = r.size();
  if (n == 0) return rows;
  QString last;
  for (std::size_t k = 0; k < n; k += 2) {
    if (k + 1 == n) break;
    if (k + 2 == n) last = client::FromAnsi(r[k].from);
    rows.push_back(Place(client::FromAnsi(r[k + 1].from), cameraOf));
    DetailRow section;
    section.speed = r[k + 1].speed;
    section.speed2 = r[k].speed;
    rows.push_back(section);
  }
  rows.push_back(Place(last, cameraOf));
  return rows;
}

std::vector<DetailRow> RouteRows(std::span<const std::uint8_t> records, const CameraLookup& cameraOf) {
  std::vector<DetailRow> rows;
  const std::vector<protocol::RouteSegmentRecord> r = protocol::ReadRouteSegmentRecords(records);
  if (r.empty()) return rows;
  rows.push_back(Place(client::FromAnsi(r[0].place), cameraOf));
  for (std::size_t k = 1; k < r.size(); ++k) {
    DetailRow leg;
    leg.speed = r[k].speedKmh;
    leg.time = r[k].seconds;
    rows.push_back(leg);
    rows.push_back(Place(client::FromAnsi(r[k].place), cameraOf));
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
