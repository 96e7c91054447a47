// A plain painting of the two screens: the login screen's background and the traffic
// screen's items as text (road speeds, route totals, camera picture and name) at their
// places, without the skin.
#pragma once

#include <QRect>

class CTrafficManager;
class QPainter;

class PlainTrafficScreen {
 public:
  static void PaintLogin(QPainter& painter, const QRect& area);
  static void PaintTraffic(QPainter& painter, CTrafficManager& traffic);
};
