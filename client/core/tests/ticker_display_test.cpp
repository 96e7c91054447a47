#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

#include "panel_layout.h"
#include "qt_test_app.h"
#include "ticker_display.h"

namespace {

using namespace panel;

QImage Paint(const TrafficScreen& screen) {
  QImage image(240, 320, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setFont(QApplication::font());
  PaintTrafficScreen(painter, screen);
  return image;
}

// `text` as the screen would show it in `rect` on a black background, drawn here on its own.
QImage Expected(const QRect& rect, const QColor& colour, const QString& text, int flags) {
  QImage image(rect.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  painter.setFont(QApplication::font());
  painter.setPen(colour);
  painter.drawText(QRect(QPoint(0, 0), rect.size()), flags, text);
  return image;
}

constexpr int kLeftTop = Qt::AlignLeft | Qt::AlignTop;

TEST(RouteTexts, TimeAndLength) {
  struct Case {
    std::uint64_t seconds, metres;
    const char* time;
    const char* length;
  };
  for (const Case& c : {Case{3725, 12045, "62분5초", "12.045"}, Case{0, 0, "0분0초", "0.000"},
                        Case{59, 999, "0분59초", "0.999"}, Case{60, 1000, "1분0초", "1.000"},
                        Case{196605, 196605, "3276분45초", "196.605"}}) {
    EXPECT_EQ(RouteTimeText(c.seconds), QString::fromUtf8(c.time));
    EXPECT_EQ(RouteLengthText(c.metres), QString::fromUtf8(c.length));
  }
  EXPECT_EQ(RouteLabel("시청", "역전", true), QString::fromUtf8("시청 -> 역전: 빠른길"));
  EXPECT_EQ(RouteLabel("시청", "역전", false), QString::fromUtf8("시청 -> 역전: 가까운길"));
}

struct TrafficScreenPaint : ::testing::Test {
  QApplication& app = TestApp();
};

// The road area shows the down direction's speed on the first line.
TEST_F(TrafficScreenPaint, RoadDownLineFirst) {
  TrafficScreen screen;
  screen.roadEnabled = true;
  screen.road = RoadShown{QStringLiteral("중앙대로"), 40, 60};
  const QImage shown = Paint(screen).copy(kRoadTextRect);
  const QString rightOrder = QStringLiteral("하  행  --  시속 40km/h\n상  행  --  시속 60km/h");
  const QString swapped = QStringLiteral("하  행  --  시속 60km/h\n상  행  --  시속 40km/h");
  EXPECT_EQ(shown, Expected(kRoadTextRect, Qt::white, rightOrder, kLeftTop));
  EXPECT_NE(shown, Expected(kRoadTextRect, Qt::white, swapped, kLeftTop));
  EXPECT_EQ(Paint(screen).copy(kRoadNameRect.adjusted(0, 0, 0, -5)),
            Expected(kRoadNameRect, kAmber, QStringLiteral("중앙대로"), kLeftTop).copy(0, 0, 232, 15));
}

TEST_F(TrafficScreenPaint, RouteFigures) {
  TrafficScreen screen;
  screen.routeEnabled = true;
  screen.route = RouteShown{RouteLabel("시청", "역전", true), RouteTimeText(3725), RouteLengthText(12045)};
  const QImage shown = Paint(screen);
  EXPECT_EQ(shown.copy(kRouteTextRect.adjusted(0, 0, 0, -30)),
            Expected(kRouteTextRect, Qt::white, QStringLiteral("총 시간  --   62분5초\n총 길이  --  12.045km"),
                     kLeftTop)
                .copy(0, 0, 232, 30));
  EXPECT_GT(CountTinted(shown, kRouteLabelRect, kAmber), 20);
}

// Areas of categories that are not enabled say so: amber for road and route, yellow
// for the camera; areas of enabled categories without an item stay empty.
TEST_F(TrafficScreenPaint, CategoriesNotEnabled) {
  struct Case {
    bool road, route, camera;
  };
  for (const Case& c : {Case{false, false, false}, Case{true, false, true}, Case{false, true, false}}) {
    TrafficScreen screen;
    screen.roadEnabled = c.road;
    screen.routeEnabled = c.route;
    screen.cameraEnabled = c.camera;
    const QImage shown = Paint(screen);
    const QString nothing = QString::fromUtf8(kNothingSelected);
    const int centred = Qt::AlignHCenter | Qt::AlignTop;
    EXPECT_EQ(shown.copy(kRoadNameRect) == Expected(kRoadNameRect, kAmber, nothing, centred), !c.road);
    EXPECT_EQ(CountTinted(shown, kRouteLabelRect, kAmber) > 20, !c.route);
    EXPECT_EQ(CountTinted(shown, kCctvNameRect, kYellow) > 20, !c.camera);
    EXPECT_EQ(CountTinted(shown, kCctvNameRect, kAmber), 0);
  }
}

TEST_F(TrafficScreenPaint, CameraPictureStretchedWithItsName) {
  TrafficScreen screen;
  screen.cameraEnabled = true;
  QImage still(176, 144, QImage::Format_RGB32);
  still.fill(QColor(0, 0, 200));
  screen.camera = CameraShown{still, QStringLiteral("시청앞")};
  const QImage shown = Paint(screen);
  // Above the name the whole picture rectangle is the still; the edge frames it.
  const QRect aboveName = kCctvPictureRect.adjusted(0, 0, 0, -(kCctvPictureRect.bottom() - kCctvNameRect.top() + 1));
  EXPECT_EQ(CountColour(shown, aboveName, QColor(0, 0, 200)), aboveName.width() * aboveName.height());
  EXPECT_EQ(shown.pixelColor(kCctvPictureRect.left() - 1, 50), QColor(Qt::black));
  EXPECT_EQ(shown.pixelColor(kCctvPictureRect.right() + 1, 50), kFrameBlue);
  EXPECT_EQ(shown.pixelColor(100, kCctvPictureRect.bottom() + 1), kFrameBlue);
  still.fill(Qt::black);
  screen.camera->picture = still;
  EXPECT_GT(CountTinted(Paint(screen), kCctvNameRect, kAmber), 20);
}

TEST_F(TrafficScreenPaint, LoginScreenIdFieldOnlyWhenAsked) {
  LoginScreen login;
  login.background = QImage(240, 680, QImage::Format_RGB32);
  login.background.fill(QColor(1, 2, 3));
  login.idField = QImage(118, 37, QImage::Format_RGB32);
  login.idField.fill(QColor(200, 200, 200));
  for (bool show : {true, false}) {
    login.showIdField = show;
    QImage image(240, 320, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintLoginScreen(painter, login);
    painter.end();
    EXPECT_EQ(CountColour(image, kIdFieldRect, QColor(200, 200, 200)), show ? 118 * 37 : 0);
    EXPECT_EQ(image.pixelColor(10, 300), QColor(1, 2, 3));
  }
}

}  // namespace
