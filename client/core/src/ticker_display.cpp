#include "ticker_display.h"

#include <QPainter>

#include "skin_button.h"
#include "panel_layout.h"
#include "traffic_manager.h"

namespace panel {

QString RouteLabel(const QString& origin, const QString& destination, bool fastest) {
  return origin + QStringLiteral(" -> ") + destination +
         (fastest ? QStringLiteral(": 빠른길") : QStringLiteral(": 가까운길"));
}

QString RoadSpeedText(int downSpeed, int upSpeed) {
  return QStringLiteral("하  행  --  시속 %1km/h\n상  행  --  시속 %2km/h").arg(downSpeed).arg(upSpeed);
}

QString RouteFiguresText(const QString& timeText, const QString& lengthText) {
  return QStringLiteral("총 시간  --   %1\n총 길이  --  %2km").arg(timeText, lengthText);
}

namespace {

constexpr int kLeftTop = Qt::AlignLeft | Qt::AlignTop;
constexpr int kTitlePixelSize = 10;
constexpr int kCentredTop = Qt::AlignHCenter | Qt::AlignTop;

void DrawText(QPainter& painter, const QRect& rect, int flags, const QColor& colour, const QString& text) {
  painter.setPen(colour);
  painter.drawText(rect, flags, text);
}

// The camera picture's edge, just outside the picture: top and left black, bottom and
// right frame blue.
void DrawCctvEdge(QPainter& painter) {
  const QRect r = kCctvPictureRect.adjusted(-1, -1, 0, 0);
  painter.setPen(Qt::black);
  painter.drawLine(r.topLeft(), QPoint(r.right() + 1, r.top()));
  painter.drawLine(r.topLeft(), QPoint(r.left(), r.bottom() + 1));
  painter.setPen(kFrameBlue);
  painter.drawLine(QPoint(r.left(), r.bottom() + 1), QPoint(r.right() + 1, r.bottom() + 1));
  painter.drawLine(QPoint(r.right() + 1, r.top()), QPoint(r.right() + 1, r.bottom() + 1));
}

void PaintRoad(QPainter& painter, const RoadShown& road) {
  DrawText(painter, kRoadNameRect, kLeftTop, kAmber, road.name);
  DrawText(painter, kRoadTextRect, kLeftTop, Qt::white, RoadSpeedText(road.downSpeed, road.upSpeed));
}

void PaintRoute(QPainter& painter, const RouteShown& route) {
  DrawText(painter, kRouteLabelRect, kLeftTop, kAmber, route.label);
  DrawText(painter, kRouteTextRect, kLeftTop, Qt::white, RouteFiguresText(route.timeText, route.lengthText));
}

void PaintCamera(QPainter& painter, const CameraShown& camera) {
  DrawBitmap(painter, camera.picture, kCctvPictureRect.left(), kCctvPictureRect.top(),
             kCctvPictureRect.right() + 1, kCctvPictureRect.bottom() + 1, true);
  DrawText(painter, kCctvNameRect.translated(1, 1), kCentredTop, Qt::black, camera.name);
  DrawText(painter, kCctvNameRect, kCentredTop, kAmber, camera.name);
}

// The category's item on screen (the road's speeds are computed into it), or nullptr.
template <typename Item>
Item* ShownItem(ItemCategory<Item>& category) {
  auto& buffer = category.Displayed();
  const int i = category.displayIndex.load();
  return i >= 0 && static_cast<std::size_t>(i) < buffer.size() ? buffer[static_cast<std::size_t>(i)].get() : nullptr;
}

}  // namespace

TrafficScreen ShownTraffic(CTrafficManager& traffic, const QImage& background) {
  TrafficScreen screen;
  screen.background = background;
  screen.roadEnabled = traffic.roads.categoryEnabled.load();
  screen.routeEnabled = traffic.routes.categoryEnabled.load();
  screen.cameraEnabled = traffic.cameras.categoryEnabled.load();
  if (traffic.roads.firstItemFetched.load()) {
    if (RoadItem* road = ShownItem(traffic.roads)) {
      road->ComputeSpeeds();
      screen.road = RoadShown{road->name, road->downSpeed, road->upSpeed};
    }
  }
  if (traffic.routes.firstItemFetched.load()) {
    if (const RouteItem* route = traffic.routes.Shown())
      screen.route = RouteShown{RouteLabel(route->originName, route->destinationName, route->kind == 1),
                                route->TimeText(), route->LengthText()};
  }
  if (traffic.cameras.firstItemFetched.load()) {
    if (const CctvItem* camera = traffic.cameras.Shown()) screen.camera = CameraShown{camera->Picture(), camera->name};
  }
  return screen;
}

void PaintTrafficScreen(QPainter& painter, const TrafficScreen& screen) {
  // A background picture that could not be loaded is simply not drawn.
  if (screen.background.isNull()) painter.fillRect(kScreenRect, Qt::black);
  DrawSkinBitmap(painter, screen.background, kScreenRect);
  painter.setBackgroundMode(Qt::TransparentMode);
  // The title is wider than its rectangle: two lines of a smaller size keep it inside,
  // clear of the camera name below.
  painter.save();
  QFont titleFont = painter.font();
  titleFont.setPixelSize(kTitlePixelSize);
  painter.setFont(titleFont);
  DrawText(painter, kTitleRect, kLeftTop | Qt::TextWordWrap, Qt::white, QString::fromUtf8(kTitle));
  painter.restore();
  DrawCctvEdge(painter);

  const QString nothing = QString::fromUtf8(kNothingSelected);
  if (!screen.roadEnabled) {
    DrawText(painter, kRoadNameRect, kCentredTop, kAmber, nothing);
  } else if (screen.road) {
    PaintRoad(painter, *screen.road);
  }
  if (!screen.routeEnabled) {
    DrawText(painter, kRouteLabelRect, kCentredTop, kAmber, nothing);
  } else if (screen.route) {
    PaintRoute(painter, *screen.route);
  }
  if (!screen.cameraEnabled) {
    DrawText(painter, kCctvNameRect, kCentredTop, kYellow, nothing);
  } else if (screen.camera) {
    PaintCamera(painter, *screen.camera);
  }
}

void PaintLoginScreen(QPainter& painter, const LoginScreen& screen) {
  if (screen.background.isNull()) painter.fillRect(kLoginScreenRect, Qt::black);
  DrawSkinBitmap(painter, screen.background, kLoginScreenRect);
  if (screen.showIdField) DrawSkinBitmap(painter, screen.idField, kIdFieldRect);
}

}  // namespace panel
