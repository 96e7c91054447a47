#include "plain_traffic_screen.h"

#include <QPainter>

#include "traffic_manager.h"

namespace {

const QColor kAmber(255, 204, 51);
const QColor kYellow(255, 255, 0);
const QColor kFrameBlue(199, 199, 255);
const QString kNothingSet = QStringLiteral("설정된 정보 없음");

QRect Box(int left, int top, int right, int bottom) { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }

void PaintRoad(QPainter& p, ItemCategory<RoadItem>& roads) {
  const QRect nameRect = Box(8, 207, 240, 227);
  if (!roads.categoryEnabled.load()) {
    p.setPen(kAmber);
    p.drawText(nameRect, Qt::AlignCenter, kNothingSet);
    return;
  }
  const int i = roads.displayIndex.load();
  auto& buffer = roads.Displayed();
  if (!roads.firstItemFetched.load() || i < 0 || static_cast<std::size_t>(i) >= buffer.size()) return;
  RoadItem& item = *buffer[static_cast<std::size_t>(i)];
  item.ComputeSpeeds();
  p.setPen(kAmber);
  p.drawText(nameRect, Qt::AlignLeft | Qt::AlignTop, item.name);
  p.setPen(Qt::white);
  p.drawText(Box(8, 222, 240, 282), Qt::AlignLeft | Qt::AlignTop,
             QStringLiteral("하  행  --  시속 %1km/h\n상  행  --  시속 %2km/h").arg(item.downSpeed).arg(item.upSpeed));
}

void PaintRoute(QPainter& p, const ItemCategory<RouteItem>& routes) {
  const QRect labelRect = Box(8, 154, 240, 174);
  if (!routes.categoryEnabled.load()) {
    p.setPen(kAmber);
    p.drawText(labelRect, Qt::AlignCenter, kNothingSet);
    return;
  }
  const RouteItem* item = routes.firstItemFetched.load() ? routes.Shown() : nullptr;
  if (!item) return;
  p.setPen(kAmber);
  p.drawText(labelRect, Qt::AlignLeft | Qt::AlignTop,
             item->originName + QStringLiteral(" -> ") + item->destinationName +
                 (item->kind == 1 ? QStringLiteral(": 빠른길") : QStringLiteral(": 가까운길")));
  p.setPen(Qt::white);
  p.drawText(Box(8, 169, 240, 229), Qt::AlignLeft | Qt::AlignTop,
             QStringLiteral("총 시간  --   %1\n총 길이  --  %2km").arg(item->TimeText(), item->LengthText()));
}

void PaintCamera(QPainter& p, const ItemCategory<CctvItem>& cameras) {
  const QRect nameRect = Box(6, 125, 234, 145);
  if (!cameras.categoryEnabled.load()) {
    p.setPen(kYellow);
    p.drawText(nameRect, Qt::AlignCenter, kNothingSet);
    return;
  }
  const CctvItem* item = cameras.firstItemFetched.load() ? cameras.Shown() : nullptr;
  if (!item) return;
  if (item->HasPicture()) p.drawImage(Box(30, 14, 206, 142), item->Picture());
  p.setPen(Qt::black);
  p.drawText(nameRect.translated(1, 1), Qt::AlignCenter, item->name);
  p.setPen(kAmber);
  p.drawText(nameRect, Qt::AlignCenter, item->name);
}

}  // namespace

void PlainTrafficScreen::PaintLogin(QPainter& painter, const QRect& area) {
  painter.fillRect(area, QColor(24, 40, 88));
  painter.setPen(Qt::white);
  painter.drawText(Box(0, 40, 240, 90), Qt::AlignCenter, QStringLiteral("교통정보센터 티커"));
}

void PlainTrafficScreen::PaintTraffic(QPainter& painter, CTrafficManager& traffic) {
  painter.fillRect(Box(0, 0, 240, 320), QColor(16, 24, 48));
  // The edge of the camera picture: top and left black, bottom and right frame blue.
  const QRect picture = Box(30, 14, 206, 142);
  painter.setPen(Qt::black);
  painter.drawLine(picture.topLeft() - QPoint(1, 1), picture.topRight() + QPoint(1, -1));
  painter.drawLine(picture.topLeft() - QPoint(1, 1), picture.bottomLeft() + QPoint(-1, 1));
  painter.setPen(kFrameBlue);
  painter.drawLine(picture.bottomLeft() + QPoint(-1, 1), picture.bottomRight() + QPoint(1, 1));
  painter.drawLine(picture.topRight() + QPoint(1, -1), picture.bottomRight() + QPoint(1, 1));
  PaintRoad(painter, traffic.roads);
  PaintRoute(painter, traffic.routes);
  PaintCamera(painter, traffic.cameras);
}
