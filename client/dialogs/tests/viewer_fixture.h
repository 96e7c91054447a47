// The client's application (not started) with two selected cameras, the traffic
// screen showing the second, a message-box recorder and, for the tests that need it,
// kavreld with its camera relay and video server on the test's own loopback address.
#pragma once

#include <QImage>
#include <QPainter>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <set>

#include "client_test_support.h"
#include "kavrel/clock.h"
#include "kavrel/ui/message_box.h"
#include "kavrel_client_pda_app.h"
#include "scripted_peer.h"
#include "server_process.h"
#include "video_area.h"

namespace viewer::testing {

using client::testing::ProcessUntil;

class ViewerTest : public ::testing::Test {
 protected:
  ViewerTest() {
    tm.cameras.First().push_back(std::make_unique<CctvItem>(QStringLiteral("중앙역"), 2));
    tm.cameras.First().push_back(std::make_unique<CctvItem>(QStringLiteral("시청앞"), 1));
    tm.cameras.displayIndex.store(1);
    tm.cameras.categoryEnabled.store(true);
  }
  ~ViewerTest() override { server.reset(); }

  // kavreld on the test's address; the client knows its relay.
  void StartServer() {
    server = std::make_unique<kavreld::testing::KavreldProcess>(address, kavreld::testing::SampleData(),
                                                                dir.path() / "members.db", dir.path() / "kavreld.log");
    ASSERT_TRUE(server->Start()) << server->Log();
    app.serverAddress = QString::fromStdString(address);
    tm.FetchRelayAddress();
    ASSERT_FALSE(tm.relayAddress.isEmpty());
  }

  client::testing::ScratchProfile profile;
  kavreld::testing::TempDir dir{"viewer"};
  std::string address = zmntp::testing::TestAddress();
  std::unique_ptr<kavreld::testing::KavreldProcess> server;
  kavrel::ui::MessageBoxRecorder boxes;
  CKavrelClientPDAApp app;
  CTrafficManager& tm = app.trafficManager;
};

// A tick count that moves only when the test says so, while sleeps take their real
// time: the library's threads sleep in slices while they wait, which on the fake clock
// would move the viewing time along with them.
class TestTicks : public kavrel::Clock {
 public:
  std::uint32_t TickCount() override { return tick_.load(); }
  void Sleep(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  kavrel::LocalTime Now() override { return system_.Now(); }
  void Advance(std::uint32_t ms) { tick_.fetch_add(ms); }

 private:
  std::atomic<std::uint32_t> tick_{1000};
  kavrel::FakeClock system_;
};

// The area as it shows on screen.
inline QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Saves the dialog as the handheld's 240 x 320 screen shows it: the navigation bar
// with its title above, the dialog below (for a person to look at).
inline void SaveScreenshot(QWidget& dialog, const char* name) {
  dialog.show();
  QImage screen(240, 320, QImage::Format_RGB32);
  screen.fill(Qt::black);
  QPainter p(&screen);
  p.fillRect(0, 0, 240, 26, QColor(0, 0, 128));
  p.setPen(Qt::white);
  p.drawText(QRect(4, 0, 232, 26), Qt::AlignVCenter, dialog.windowTitle());
  p.drawImage(0, 26, Grab(dialog));
  p.end();
  EXPECT_TRUE(screen.save(qEnvironmentVariable("KAVREL_SHOT_DIR", "/tmp") + "/" + name + ".png"));
}

inline std::size_t DistinctColours(const QImage& image) {
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  return colours.size();
}

// Waits for `n` more pictures in the area.
inline bool PicturesArrive(const VideoArea& area, unsigned n) {
  const unsigned target = area.picturesShown() + n;
  return ProcessUntil([&] { return area.picturesShown() >= target; });
}

}  // namespace viewer::testing
