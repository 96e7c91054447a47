// Time of one full paint of the traffic screen (skin, title, camera, road and route)
// and of one step of the news-flash line (the scroll and the repaint of the uncovered
// column, flushed to the screen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>

#include "kavrel/handheld_path.h"
#include "panel_layout.h"
#include "skin_button.h"
#include "ticker_ctrl.h"
#include "ticker_display.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "panel_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* a = new QApplication(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("NanumGothic"), 9));
    return a;
  }();
  return *app;
}

panel::TrafficScreen FullScreen() {
  panel::TrafficScreen screen;
  const QString skin = QString::fromStdString(kavrel::HandheldPath(panel::kSkinDirectory).string());
  screen.background = LoadSkinBitmap(skin + QLatin1String(panel::kMainBitmap));
  screen.roadEnabled = screen.routeEnabled = screen.cameraEnabled = true;
  screen.road = panel::RoadShown{QStringLiteral("중앙대로 시청앞"), 38, 52};
  screen.route = panel::RouteShown{panel::RouteLabel(QStringLiteral("시청"), QStringLiteral("종합운동장"), true),
                                   QStringLiteral("62분5초"), QStringLiteral("12.045")};
  QImage still(176, 144, QImage::Format_RGB32);
  still.fill(QColor(90, 110, 130));
  screen.camera = panel::CameraShown{still, QStringLiteral("시청앞 교차로")};
  return screen;
}

void BM_TrafficScreenPaint(benchmark::State& state) {
  App();
  const panel::TrafficScreen screen = FullScreen();
  QImage target(240, 320, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&target);
    painter.setFont(QApplication::font());
    panel::PaintTrafficScreen(painter, screen);
    painter.end();
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_TrafficScreenPaint)->Unit(benchmark::kMicrosecond);

// The line with the long news text of a busy day, shown in a window.
struct NewsLine {
  NewsLine() {
    window.resize(240, 320);
    ticker.setGeometry(panel::kNewsFlashPlace);
    ticker.ResetPosition();
    QString text;
    for (int i = 0; i < 40; ++i) text += QStringLiteral("시청앞 교차로 2차로 공사 중, 우회하십시오            ");
    ticker.SetText(text + QStringLiteral("...     "));
    ticker.SetWidth(ticker.fontMetrics().horizontalAdvance(ticker.Text()));
    window.show();
    QApplication::processEvents();
  }
  QWidget window;
  CTickerCtrl ticker{&window};
};

void BM_NewsFlashStep(benchmark::State& state) {
  App();
  NewsLine line;
  for (auto _ : state) {
    line.ticker.Step();
    QApplication::sendPostedEvents();  // the repaint of the uncovered column and the flush
  }
}
BENCHMARK(BM_NewsFlashStep)->Unit(benchmark::kMicrosecond);

// Baseline: the whole strip repainted at every step instead of scrolled.
void BM_NewsFlashFullRepaint(benchmark::State& state) {
  App();
  NewsLine line;
  for (auto _ : state) {
    line.ticker.update();
    QApplication::sendPostedEvents();
  }
}
BENCHMARK(BM_NewsFlashFullRepaint)->Unit(benchmark::kMicrosecond);

// Baseline: the strip painted by laying the whole text out again (no pieces kept).
void BM_NewsFlashTextRedrawn(benchmark::State& state) {
  App();
  NewsLine line;
  QImage strip(panel::kNewsFlashPlace.size(), QImage::Format_RGB32);
  int x = 0;
  for (auto _ : state) {
    QPainter painter(&strip);
    painter.fillRect(strip.rect(), Qt::black);
    painter.setPen(panel::kNewsGreen);
    painter.drawText(QPoint(--x, 16), line.ticker.Text());
    painter.end();
    benchmark::DoNotOptimize(strip.constBits());
  }
}
BENCHMARK(BM_NewsFlashTextRedrawn)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  App();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
