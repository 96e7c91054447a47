// Painting of the two screens of the view: the traffic screen (background, title,
// camera frame, and the camera, road and route areas with their texts) and the login
// screen. The painting takes what it shows as plain values; the view fills them from
// the traffic items.
#pragma once

#include <QImage>
#include <QString>
#include <optional>

class CTrafficManager;
class QPainter;

namespace panel {

// The road area: a point's name and its average speeds.
struct RoadShown {
  QString name;
  int downSpeed = 0;
  int upSpeed = 0;
};

// The route area: "origin -> destination: kind" and the two summed figures.
struct RouteShown {
  QString label;
  QString timeText;
  QString lengthText;
};

// The camera area: the 176 x 144 still and the camera's name.
struct CameraShown {
  QImage picture;
  QString name;
};

// What the traffic screen shows. A category that is not enabled paints "설정된 정보 없음";
// an enabled one paints its item when there is one to show.
struct TrafficScreen {
  QImage background;
  bool roadEnabled = false;
  bool routeEnabled = false;
  bool cameraEnabled = false;
  std::optional<RoadShown> road;
  std::optional<RouteShown> route;
  std::optional<CameraShown> camera;
};

struct LoginScreen {
  QImage background;
  QImage idField;
  bool showIdField = true;  // automatic login off and not logged in by button
};

inline constexpr const char* kTitle = "가람지방경찰청 종합교통정보센터";
inline constexpr const char* kNothingSelected = "설정된 정보 없음";

// "origin -> destination: 빠른길" (fastest) or ": 가까운길" (shortest).
QString RouteLabel(const QString& origin, const QString& destination, bool fastest);
// The road area's two lines, the down direction first.
QString RoadSpeedText(int downSpeed, int upSpeed);
// The route area's two lines.
QString RouteFiguresText(const QString& timeText, const QString& lengthText);

// What the traffic screen shows now: per category whether it is enabled and, once its
// first item was fetched, the item at `displayIndex` of the displayed buffer (a road
// item's speeds are computed from its records here).
TrafficScreen ShownTraffic(CTrafficManager& traffic, const QImage& background);

// Paints with the painter's current font (the application's).
void PaintTrafficScreen(QPainter& painter, const TrafficScreen& screen);
void PaintLoginScreen(QPainter& painter, const LoginScreen& screen);

}  // namespace panel
