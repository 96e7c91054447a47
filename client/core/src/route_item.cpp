#include "route_item.h"

#include <algorithm>

#include "protocol/records.h"

RouteItem::Totals RouteItem::Sum() const {
  Totals t;
  if (!records) return t;
  const std::vector<protocol::RouteSegmentRecord> all = protocol::ReadRouteSegmentRecords(*records);
  const std::size_t n = std::min<std::size_t>(recordCount, all.size());
  for (std::size_t i = 0; i < n; ++i) {
    t.seconds += all[i].seconds;
    t.metres += all[i].lengthM;
  }
  return t;
}

QString RouteItem::TimeText() const {
  if (recordCount != 0 && !records) return {};
  const Totals t = Sum();
  return QStringLiteral("%1분%2초").arg(t.seconds / 60).arg(t.seconds % 60);
}

QString RouteItem::LengthText() const {
  if (recordCount != 0 && !records) return {};
  const Totals t = Sum();
  return QStringLiteral("%1.%2").arg(t.metres / 1000).arg(t.metres % 1000, 3, 10, QLatin1Char('0'));
}
