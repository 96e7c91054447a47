#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>

#include "panel_layout.h"
#include "qt_test_app.h"
#include "ticker_ctrl.h"

namespace {

struct TickerCtrlTest : ::testing::Test {
  TickerCtrlTest() {
    window.resize(240, 320);
    ticker.setGeometry(panel::kNewsFlashPlace);
    ticker.ResetPosition();
    ticker.SetPausedFlag(&paused);
  }

  // What the screen shows of the strip: the window's pixels as painted, scrolled and
  // flushed (not a fresh paint of the control).
  QImage OnScreen() {
    QApplication::processEvents();
    return window.screen()->grabWindow(window.winId()).toImage().copy(panel::kNewsFlashPlace)
        .convertToFormat(QImage::Format_RGB32);
  }

  QApplication& app = TestApp();
  std::atomic<bool> paused{false};
  QWidget window;
  CTickerCtrl ticker{&window};
};

TEST_F(TickerCtrlTest, GreenTextOnBlackMovesOnePixelLeftPerStep) {
  ticker.SetText(QStringLiteral("교통사고 처리 중 - 시청앞 2차로 통제            ...     "));
  ticker.SetWidth(ticker.AverageCharWidth() * 80);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (int i = 0; i < 120; ++i) ticker.Step();
  EXPECT_EQ(ticker.X(), 234 - 120);

  QImage before = OnScreen();
  // Nothing but the text's green over black (with the glyph edges' blends).
  EXPECT_GT(CountTinted(before, before.rect(), panel::kNewsGreen), 50);
  for (int y = 0; y < before.height(); ++y) {
    for (int x = 0; x < before.width(); ++x) {
      const QColor c = before.pixelColor(x, y);
      ASSERT_TRUE(c.green() >= c.red() && c.green() >= c.blue() && c.red() <= 54) << x << "," << y;
    }
  }
  EXPECT_EQ(before.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(before.pixelColor(233, 22), QColor(Qt::black));

  for (int step = 0; step < 3; ++step) {
    ticker.Step();
    const QImage after = OnScreen();
    EXPECT_EQ(after.copy(0, 0, 233, 23), before.copy(1, 0, 233, 23)) << "step " << step;
    before = after;
  }
}

TEST_F(TickerCtrlTest, WrapsToTheRightEdgeOnceTheTextHasPassed) {
  struct Case {
    int width;
    int steps;
    int x;
  };
  // The text's right end (x + width) passing the left edge sends x back to 234.
  for (const Case& c : {Case{10, 244, -10}, Case{10, 245, 234}, Case{10, 246, 233}, Case{0, 235, 234},
                        Case{300, 535, 234}}) {
    ticker.ResetPosition();
    ticker.SetWidth(c.width);
    for (int i = 0; i < c.steps; ++i) ticker.Step();
    EXPECT_EQ(ticker.X(), c.x) << "width " << c.width << ", " << c.steps << " steps";
  }
}

TEST_F(TickerCtrlTest, PauseHideStartAndStop) {
  ticker.SetText(QStringLiteral("속보"));
  ticker.Start();
  EXPECT_TRUE(ticker.isVisibleTo(&window));
  EXPECT_TRUE(ticker.Stepping());

  paused = true;  // a refresh holds the line
  ticker.Step();
  EXPECT_EQ(ticker.X(), 234);
  paused = false;
  ticker.Step();
  EXPECT_EQ(ticker.X(), 233);
  ticker.SetText(QStringLiteral("새 속보"));  // a new text does not move it
  EXPECT_EQ(ticker.X(), 233);

  ticker.PauseAndHide();  // news flash switched off
  EXPECT_TRUE(paused);
  EXPECT_FALSE(ticker.isVisibleTo(&window));
  EXPECT_FALSE(ticker.Stepping());
  ticker.Step();
  EXPECT_EQ(ticker.X(), 233);

  ticker.Start();
  EXPECT_FALSE(paused);
  ticker.Stop();
  EXPECT_FALSE(ticker.Stepping());
}

}  // namespace
