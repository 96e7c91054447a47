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

TEST(RouteTexts, Label) {
  EXPECT_EQ(RouteLabel("시청", "역전", true), QString::fromUtf8("시청 -> 역전: 빠른길"));
  EXPECT_EQ(RouteLabel("시청", "역전", false), QString::fromUtf8("시청 -> 역전: 가까운길"));
}

struct TrafficScreenPaint : ::testing::Test {
  QApplication& app = TestApp();
};

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
