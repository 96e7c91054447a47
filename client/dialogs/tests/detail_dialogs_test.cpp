// The road and route detail dialogs: their rows in order, what each row shows, and a
// place with a camera that opens the viewer for it.
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <cstring>

#include "ansi_text.h"
#include "cctv_video_dlg.h"
#include "kavrel/clock.h"
#include "kavrel/little_endian.h"
#include "road_info_dlg.h"
#include "route_info_dlg.h"
#include "viewer_dialogs.h"
#include "viewer_fixture.h"

namespace {

using viewer::testing::ProcessUntil;

struct Record {
  const char* name;
  int speed;
  int time = 0;
};

void PutName(std::vector<std::uint8_t>& r, std::size_t at, std::size_t size, const char* name) {
  const std::string ansi = client::ToAnsiLossy(QString::fromUtf8(name));
  std::memcpy(r.data() + at, ansi.data(), std::min(ansi.size(), size - 1));
}

std::vector<std::uint8_t> RoadRecords(std::initializer_list<Record> records) {
  std::vector<std::uint8_t> r;
  for (const Record& rec : records) {
    const std::size_t at = r.size();
    r.resize(at + 104, 0);
    kavrel::WriteU32(r.data(), at + 4, static_cast<std::uint32_t>(rec.speed));
    std::vector<std::uint8_t> one(104, 0);
    PutName(one, 8, 32, rec.name);
    std::memcpy(r.data() + at + 8, one.data() + 8, 32);
  }
  return r;
}

std::vector<std::uint8_t> RouteRecords(std::initializer_list<Record> records) {
  std::vector<std::uint8_t> r;
  for (const Record& rec : records) {
    std::vector<std::uint8_t> one(134, 0);
    PutName(one, 0, 128, rec.name);
    kavrel::WriteU16(one.data(), 128, static_cast<std::uint16_t>(rec.speed));
    kavrel::WriteU16(one.data(), 132, static_cast<std::uint16_t>(rec.time));
    r.insert(r.end(), one.begin(), one.end());
  }
  return r;
}

QStringList Texts(const DetailDlg& dlg) {
  QStringList out;
  for (const DetailRowButton* b : dlg.rowButtons()) out << b->text();
  return out;
}

class DetailDialogs : public viewer::testing::ViewerTest {
 protected:
  DetailDialogs() {
    tm.catalogueNames = {"중앙역", "시청앞"};
    tm.catalogueIds = {2, 1};
    auto road = [&](const char* name, std::vector<std::uint8_t> records) {
      auto item = std::make_unique<RoadItem>(1, QString::fromUtf8(name));
      item->recordCount = static_cast<std::uint32_t>(records.size() / 104);
      item->records = std::move(records);
      tm.roads.First().push_back(std::move(item));
    };
    road("중앙대로", RoadRecords({{"남문", 11}, {"시청앞", 22}, {"", 33}, {"북문", 44}}));
    road("가람대교", RoadRecords({{"동단", 50}, {"서단", 60}}));
    road("산복터널", RoadRecords({{"입구", 70}, {"중간", 80}, {"출구", 90}}));  // odd: no last pair
    auto route = [&](const char* from, const char* to, std::vector<std::uint8_t> records) {
      auto item = std::make_unique<RouteItem>();
      item->originName = QString::fromUtf8(from);
      item->destinationName = QString::fromUtf8(to);
      item->recordCount = static_cast<std::uint32_t>(records.size() / 134);
      item->records = std::move(records);
      tm.routes.First().push_back(std::move(item));
    };
    route("시청앞", "남부시장", RouteRecords({{"시청앞", 0, 0}}));
    route("가", "나", RouteRecords({{"가", 0, 0}, {"중앙역", 41, 95}, {"나", 12, 300}}));
  }
};

TEST_F(DetailDialogs, RoadRowsInTheirOrderWithSpeedsNamesAndCameraMarks) {
  tm.roads.displayIndex.store(0);
  RoadInfoDlg dlg(app, nullptr);
  EXPECT_EQ(dlg.windowTitle(), "대로/다리/터널 소통 정보");
  EXPECT_EQ(dlg.itemList()->count(), 3);
  EXPECT_EQ(dlg.itemList()->currentText(), "중앙대로");
  EXPECT_EQ(Texts(dlg), (QStringList{"시청앞  (CCTV)", "22km/h ↓ ↑  11km/h", "북문", "44km/h ↓ ↑  33km/h", "이름없음"}));
  const auto& rows = dlg.rowButtons();
  EXPECT_TRUE(rows[0]->isEnabled());  // a place with a camera
  EXPECT_EQ(rows[0]->row().cameraId, 1);
  EXPECT_FALSE(rows[1]->isEnabled());
  EXPECT_FALSE(rows[2]->isEnabled());
  EXPECT_EQ(rows[2]->row().cameraId, -1);
  for (const DetailRowButton* b : rows) EXPECT_EQ(b->height(), 20);

  struct Case {
    const char* road;
    QStringList rows;
  } cases[] = {
      {"가람대교", {"서단", "60km/h ↓ ↑  50km/h", "동단"}},
      {"산복터널", {"중간", "80km/h ↓ ↑  70km/h", "이름없음"}},
  };
  for (const Case& c : cases) {
    const int index = dlg.itemList()->findText(QString::fromUtf8(c.road));
    emit dlg.itemList()->activated(index);
    EXPECT_EQ(dlg.itemList()->currentText(), QString::fromUtf8(c.road));
    EXPECT_EQ(Texts(dlg), c.rows) << c.road;
  }
}

TEST_F(DetailDialogs, RouteRowsOfOneRecordAndOfLegs) {
  tm.routes.displayIndex.store(0);
  RouteInfoDlg dlg(app, nullptr);
  EXPECT_EQ(dlg.windowTitle(), "빠른길/가까운길 소통 정보");
  EXPECT_EQ(dlg.itemList()->currentText(), "시청앞 -> 남부시장");
  EXPECT_EQ(Texts(dlg), QStringList{"시청앞  (CCTV)"});
  emit dlg.itemList()->activated(dlg.itemList()->findText("가 -> 나"));
  EXPECT_EQ(Texts(dlg), (QStringList{"가", "41km/h ↓ ↓  95초", "중앙역  (CCTV)", "12km/h ↓ ↓  300초", "나"}));
  EXPECT_EQ(dlg.rowButtons()[2]->row().cameraId, 2);
}

TEST_F(DetailDialogs, PlaceRowsArePaintedAsTheyRead) {
  RoadInfoDlg dlg(app, nullptr);
  dlg.show();
  const QImage place = viewer::testing::Grab(*dlg.rowButtons()[0]);
  const QImage section = viewer::testing::Grab(*dlg.rowButtons()[1]);
  EXPECT_EQ(place.pixel(1, 1), qRgb(0, 90, 180));
  EXPECT_EQ(section.pixel(1, 1), qRgb(255, 255, 255));
  EXPECT_GT(viewer::testing::DistinctColours(place), 2u);  // text on the fill
}

TEST_F(DetailDialogs, CameraPlaceOpensTheViewerInPresetModeOthersDoNothing) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scoped(clock);
  tm.routes.displayIndex.store(1);
  RouteInfoDlg dlg(app, nullptr);
  dlg.show();
  ASSERT_EQ(dlg.rowButtons().size(), 5u);

  // The real viewer runs modally; the test looks at it from inside and closes it.
  bool preset = false;
  std::uint32_t camera = 0;
  bool dialogOpen = false;
  auto lookAndClose = [&] {
    QTimer::singleShot(0, [&] {
      if (auto* viewer = dynamic_cast<CctvVideoDlg*>(QApplication::activeModalWidget())) {
        preset = viewer->presetMode();
        camera = viewer->cameraId();
        dialogOpen = app.flags.dialogOpen.load();
        viewer->reject();
      }
    });
  };
  lookAndClose();
  QTest::mouseClick(dlg.rowButtons()[2], Qt::LeftButton);
  EXPECT_TRUE(preset);
  EXPECT_EQ(camera, 2u);
  EXPECT_TRUE(dialogOpen);
  EXPECT_FALSE(app.flags.dialogOpen.load());
  EXPECT_FALSE(tm.videoActive.load());

  // A place without a camera and a leg are disabled; with no camera selected a camera
  // place opens nothing.
  int opened = 0;
  dlg.openViewer = [&](std::uint32_t) { ++opened; };
  QTest::mouseClick(dlg.rowButtons()[0], Qt::LeftButton);
  QTest::mouseClick(dlg.rowButtons()[1], Qt::LeftButton);
  EXPECT_EQ(opened, 0);
  tm.cameras.categoryEnabled.store(false);
  QTest::mouseClick(dlg.rowButtons()[2], Qt::LeftButton);
  EXPECT_EQ(opened, 0);
  tm.cameras.categoryEnabled.store(true);
  QTest::mouseClick(dlg.rowButtons()[2], Qt::LeftButton);
  EXPECT_EQ(opened, 1);
}

TEST_F(DetailDialogs, TheViewsCommandsRunTheseDialogsModally) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scoped(clock);
  ViewerDialogs dialogs(app);
  std::vector<QString> seen;
  auto closeNext = [&](bool accept) {
    QTimer::singleShot(0, [&, accept] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      seen.push_back(dialog->metaObject()->className() + QStringLiteral(":") + dialog->windowTitle());
      accept ? dialog->accept() : dialog->reject();
    });
  };
  closeNext(false);
  dialogs.RoadInfo(nullptr);
  closeNext(false);
  dialogs.RouteInfo(nullptr);
  QString name = "x";
  closeNext(false);
  EXPECT_FALSE(dialogs.CctvVideo(nullptr, name));
  closeNext(true);
  EXPECT_TRUE(dialogs.CctvVideo(nullptr, name));
  closeNext(false);
  dialogs.CctvScreen(nullptr, 1);
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_FALSE(tm.videoActive.load());
}

}  // namespace

namespace {

// See viewer_test.cpp: pictures of the dialogs for a person to look at.
TEST_F(DetailDialogs, DISABLED_Screenshots) {
  tm.routes.displayIndex.store(1);
  RoadInfoDlg road(app, nullptr);
  viewer::testing::SaveScreenshot(road, "road_info_dlg");
  RouteInfoDlg route(app, nullptr);
  viewer::testing::SaveScreenshot(route, "route_info_dlg");
}

}  // namespace
