// The main view on its skin: controls, the two screens as painted, rotation, the news
// flash, the popup menu and every command with its title, full-screen switch and
// `dialogOpen`.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QToolBar>

#include "client_test_support.h"
#include "kavrel/clock.h"
#include "kavrel/handheld_path.h"
#include "kavrel/little_endian.h"
#include "kavrel/ui/message_box.h"
#include "kavrel_client_pda_app.h"
#include "kavrel_client_pda_view.h"
#include "main_frame.h"
#include "panel_layout.h"
#include "qt_test_app.h"
#include "skin_button.h"
#include "ticker_ctrl.h"

namespace {

using namespace panel;

// Dialogs that only note how they were opened.
struct RecordingDialogs : ViewDialogs {
  struct Opened {
    std::string name;
    QString navTitle;
    bool fullScreen;  // the frame was still full screen while the dialog ran
    bool dialogOpen;
    int roadIndex;    // after a rotation tick fired while the dialog ran
  };
  std::vector<Opened> opened;
  CKavrelClientPDAView* view = nullptr;
  CKavrelClientPDAApp* app = nullptr;
  bool videoOk = true;
  QString videoName;
  QString foundId;
  bool memberInformation = true;

  void Note(const char* name) {
    view->timers().Fire(CKavrelClientPDAView::kRotationTimer);  // may not move anything
    opened.push_back({name, view->window()->windowTitle(),
                      !app->mainFrame()->commandBar()->isVisibleTo(app->mainFrame()),
                      app->flags.dialogOpen.load(), app->trafficManager.roads.displayIndex.load()});
  }
  void About(QWidget*) override { Note("about"); }
  void Settings(QWidget*) override { Note("settings"); }
  bool GetMemberInformation() override { return memberInformation; }
  void ChangeMembership(QWidget*) override { Note("membership"); }
  void Join(QWidget*) override { Note("join"); }
  bool FindId(QWidget*, QString& id) override {
    Note("find");
    id = foundId;
    return !foundId.isEmpty();
  }
  void RoadInfo(QWidget*) override { Note("road"); }
  void RouteInfo(QWidget*) override { Note("route"); }
  bool CctvVideo(QWidget*, QString& name) override {
    Note("video");
    name = videoName;
    return videoOk;
  }
  void CctvScreen(QWidget*, std::uint32_t id) override { Note(("screen " + std::to_string(id)).c_str()); }
};

std::vector<std::uint8_t> RoadRecords(std::initializer_list<std::uint32_t> speeds) {
  std::vector<std::uint8_t> bytes(speeds.size() * 104);
  std::size_t i = 0;
  for (std::uint32_t s : speeds) kavrel::WriteU32(bytes.data(), i++ * 104 + 4, s);
  return bytes;
}

// Route segments of (metres, seconds).
std::vector<std::uint8_t> RouteRecords(std::initializer_list<std::pair<std::uint16_t, std::uint16_t>> segments) {
  std::vector<std::uint8_t> bytes(segments.size() * 134);
  std::size_t i = 0;
  for (auto [metres, seconds] : segments) {
    kavrel::WriteU16(bytes.data(), i * 134 + 130, metres);
    kavrel::WriteU16(bytes.data(), i * 134 + 132, seconds);
    ++i;
  }
  return bytes;
}

class MainViewTest : public ::testing::Test {
 protected:
  MainViewTest() {
    TestApp();
    app.InitInstance();
    view = app.mainFrame()->view();
    view->timers().SetManual(true);
    dialogs.view = view;
    dialogs.app = &app;
    view->SetDialogs(&dialogs);
  }
  ~MainViewTest() override { view->SetDialogs(nullptr); }

  // The traffic screen as after the start sequence, with the given items on screen.
  void ShowTraffic(int roads, int cameras, int routes) {
    CTrafficManager& tm = app.trafficManager;
    for (int i = 0; i < roads; ++i)
      tm.roads.First().push_back(std::make_unique<RoadItem>(1, QStringLiteral("도로 %1").arg(i)));
    for (int i = 0; i < cameras; ++i)
      tm.cameras.First().push_back(std::make_unique<CctvItem>(QStringLiteral("카메라 %1").arg(i), 700 + i));
    for (int i = 0; i < routes; ++i) {
      auto route = std::make_unique<RouteItem>();
      route->originName = QStringLiteral("시청");
      route->destinationName = QStringLiteral("역전");
      tm.routes.First().push_back(std::move(route));
    }
    for (auto* flag : {&tm.roads.categoryEnabled, &tm.roads.firstItemFetched})
      flag->store(roads > 0);
    for (auto* flag : {&tm.cameras.categoryEnabled, &tm.cameras.firstItemFetched})
      flag->store(cameras > 0);
    for (auto* flag : {&tm.routes.categoryEnabled, &tm.routes.firstItemFetched})
      flag->store(routes > 0);
    app.flags.showTraffic.store(true);
    app.flags.itemsLoaded.store(true);
    // The controls of the traffic screen instead of the login screen's.
    for (int id : {kLoginButton, kJoinButton, kIdEdit, kIdSearchButton}) view->Control(id)->hide();
    for (int id : {kCloseButton, kMenuButton, kCctvButton, kRoadButton, kRouteButton}) view->Control(id)->show();
    if (!app.mainFrame()->commandBar()->isHidden()) app.mainFrame()->FullScreen(true);
    QApplication::processEvents();
  }

  QImage Screen() {
    QImage image(240, 320, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    view->render(&painter);
    return image;
  }

  client::testing::ScratchProfile profile;
  kavrel::FakeClock clock;
  kavrel::ScopedClock scopedClock{clock};
  kavrel::ui::MessageBoxRecorder boxes;
  CKavrelClientPDAApp app;
  CKavrelClientPDAView* view = nullptr;
  RecordingDialogs dialogs;
};

TEST_F(MainViewTest, ControlsOnTheirPlacesWithTheSkin) {
  for (const ButtonPlace& b : kButtons) {
    SCOPED_TRACE(b.id);
    auto* button = dynamic_cast<SkinButton*>(view->Control(b.id));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString::fromUtf8(b.text));
    EXPECT_EQ(button->geometry(), b.place);
    EXPECT_EQ(button->NormalImage().size(), b.place.size());
    EXPECT_FALSE(button->OverImage().isNull());
    EXPECT_FALSE(button->LitImage().isNull());
  }
  EXPECT_TRUE(boxes.shown().empty());  // every skin file loaded
  EXPECT_EQ(view->Control(kNewsFlashControl)->geometry(), kNewsFlashPlace);
  EXPECT_EQ(view->Control(kIdEdit)->geometry(), kIdEditPlace);
  // The login screen.
  for (int id : {kLoginButton, kJoinButton, kIdEdit, kIdSearchButton})
    EXPECT_TRUE(view->Control(id)->isVisibleTo(view)) << id;
  for (int id : {kCloseButton, kMenuButton, kNewsFlashControl, kCctvButton, kRoadButton, kRouteButton})
    EXPECT_FALSE(view->Control(id)->isVisibleTo(view)) << id;
  EXPECT_FALSE(view->Control(kMenuButton)->isEnabled());
}

// The road area: a point with one record pair, 60 km/h up and 40 km/h down, shows the
// down line (40) above the up line (60). The route area: 3725 s and 12,045 m in two
// segments show as 62분5초 and 12.045km.
TEST_F(MainViewTest, TrafficScreenPaintsTheItems) {
  ShowTraffic(1, 0, 1);
  RoadItem& road = *app.trafficManager.roads.First()[0];
  road.records = RoadRecords({60, 40});
  road.recordCount = 2;
  RouteItem& route = *app.trafficManager.routes.First()[0];
  route.records = RouteRecords({{12000, 3600}, {45, 125}});
  route.recordCount = 2;

  const QImage shown = Screen();
  auto textImage = [&](const QRect& rect, const QString& text) {
    QImage image = shown.copy(rect);  // the same background under the text
    QImage clean = LoadSkinBitmap(QString::fromStdString(kavrel::HandheldPath(kSkinDirectory).string()) +
                                  QStringLiteral("/main.bmp")).copy(rect);
    QPainter painter(&clean);
    painter.setFont(QApplication::font());
    painter.setPen(Qt::white);
    painter.drawText(QRect(QPoint(0, 0), rect.size()), Qt::AlignLeft | Qt::AlignTop, text);
    painter.end();
    return std::make_pair(image, clean);
  };
  // Only the two text lines: below them the road button sits on the panel.
  const QRect roadLines = kRoadTextRect.adjusted(0, 0, -40, -30);
  auto [road1, expected1] = textImage(roadLines, QStringLiteral("하  행  --  시속 40km/h\n상  행  --  시속 60km/h"));
  EXPECT_EQ(road1, expected1);
  auto [road2, swapped] = textImage(roadLines, QStringLiteral("하  행  --  시속 60km/h\n상  행  --  시속 40km/h"));
  EXPECT_NE(road2, swapped);
  const QRect routeLines = kRouteTextRect.adjusted(0, 0, -40, -30);
  auto [route1, expected2] = textImage(routeLines, QStringLiteral("총 시간  --   62분5초\n총 길이  --  12.045km"));
  EXPECT_EQ(route1, expected2);
  EXPECT_GT(CountTinted(shown, kRouteLabelRect, kAmber), 20);
  EXPECT_GT(CountTinted(shown, kRoadNameRect, kAmber), 20);
}

// Categories that are not enabled say so, amber in the road and route areas and
// yellow in the camera area; enabled ones wait for their first item.
TEST_F(MainViewTest, CategoriesNotEnabledSaySo) {
  struct Case {
    int roads, cameras, routes;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{1, 0, 1}, Case{0, 1, 0}}) {
    ShowTraffic(c.roads, c.cameras, c.routes);
    // Enabled categories whose first item is not fetched yet paint nothing.
    CTrafficManager& tm = app.trafficManager;
    for (auto* fetched : {&tm.roads.firstItemFetched, &tm.cameras.firstItemFetched, &tm.routes.firstItemFetched})
      fetched->store(false);
    const QImage shown = Screen();
    const QRect roadNameLine = kRoadNameRect.adjusted(0, 0, -40, 0);
    EXPECT_EQ(CountTinted(shown, roadNameLine.adjusted(70, 0, -70, 0), kAmber) > 20, c.roads == 0);
    EXPECT_EQ(CountTinted(shown, kRouteLabelRect.adjusted(70, 0, -70, 0), kAmber) > 20, c.routes == 0);
    EXPECT_EQ(CountTinted(shown, kCctvNameRect, kYellow) > 20, c.cameras == 0);
    app.trafficManager.DeleteItems();
  }
}

// Three rotation ticks with two cameras, three roads and no routes: indices 1, 0, 0;
// the road and route areas repaint, the camera picture does not.
TEST_F(MainViewTest, RotationStepsTheIndicesAndLeavesTheCameraPicture) {
  ShowTraffic(3, 2, 0);
  view->show();
  QApplication::processEvents();
  QRegion repainted;
  struct PaintSpy : QObject {
    QRegion* region;
    explicit PaintSpy(QRegion* r) : region(r) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) *region += static_cast<QPaintEvent*>(e)->region();
      return false;
    }
  } spy(&repainted);
  view->installEventFilter(&spy);
  view->timers().SetTimer(CKavrelClientPDAView::kRotationTimer, 3000);
  for (int tick = 0; tick < 3; ++tick) ASSERT_TRUE(view->timers().Fire(CKavrelClientPDAView::kRotationTimer));
  QApplication::processEvents();
  view->removeEventFilter(&spy);
  const CTrafficManager& tm = app.trafficManager;
  EXPECT_EQ(tm.cameras.displayIndex.load(), 1);
  EXPECT_EQ(tm.roads.displayIndex.load(), 0);
  EXPECT_EQ(tm.routes.displayIndex.load(), 0);
  EXPECT_FALSE(repainted.intersects(kCctvPictureRect));
  EXPECT_TRUE(repainted.contains(kRoadAreaRect.center()));
  EXPECT_EQ(clock.SleepCalls(), 6u);  // the two 50 ms gaps of each tick, on the platform clock
}

TEST_F(MainViewTest, NewsFlashOnAndOff) {
  ShowTraffic(0, 0, 0);
  view->show();
  auto* ticker = static_cast<CTickerCtrl*>(view->Control(kNewsFlashControl));
  CNewsFlash news;
  news.text = QStringLiteral("속보            ...     ");
  news.width = 300;
  view->ApplyNewsFlash(news);
  EXPECT_TRUE(ticker->isVisibleTo(view));
  EXPECT_TRUE(ticker->Stepping());
  EXPECT_EQ(ticker->Text(), news.text);
  EXPECT_EQ(ticker->TextWidth(), 300);
  EXPECT_FALSE(app.flags.tickerPaused.load());
  news.show = 0;
  view->ApplyNewsFlash(news);
  EXPECT_FALSE(ticker->isVisibleTo(view));
  EXPECT_TRUE(app.flags.tickerPaused.load());
  const int x = ticker->X();
  ticker->Step();
  EXPECT_EQ(ticker->X(), x);
}

// Every command: which dialog opens, under which navigation-bar title, whether full
// screen is left around it; `dialogOpen` is set around every dialog, so a rotation tick
// meanwhile moves nothing. Commands of a category that is not enabled open nothing.
TEST_F(MainViewTest, CommandsOpenTheirDialogs) {
  struct Case {
    int command;
    bool categoriesOn;
    const char* opened;  // nullptr: nothing opens
    const char* title;
    bool fullScreenLeft;
  };
  using V = CKavrelClientPDAView;
  const Case cases[] = {
      {V::kSettingsCommand, true, "settings", "설정", true},
      {V::kChangeMembershipCommand, true, "membership", nullptr, true},
      {V::kAboutCommand, true, "about", "교통 정보 티커", true},
      {V::kRoadDetailCommand, true, "road", "대로/다리/터널 소통 정보", true},
      {kRoadButton, true, "road", "대로/다리/터널 소통 정보", true},
      {V::kRouteDetailCommand, true, "route", "빠른길/가까운길 소통 정보", true},
      {kRouteButton, true, "route", "빠른길/가까운길 소통 정보", true},
      {V::kCctvVideoCommand, true, "video", "CCTV 동영상 보기", true},
      {kCctvButton, true, "video", "CCTV 동영상 보기", true},
      {kJoinButton, true, "join", "가입", false},
      {V::kRoadDetailCommand, false, nullptr, nullptr, false},
      {kRoadButton, false, nullptr, nullptr, false},
      {V::kRouteDetailCommand, false, nullptr, nullptr, false},
      {kRouteButton, false, nullptr, nullptr, false},
      {V::kCctvVideoCommand, false, nullptr, nullptr, false},
      {kCctvButton, false, nullptr, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const int n = c.categoriesOn ? 2 : 0;
    ShowTraffic(n, n, n);
    app.mainFrame()->setWindowTitle(QStringLiteral("before"));
    dialogs.opened.clear();
    view->OnCommand(c.command);
    if (!c.opened) {
      EXPECT_TRUE(dialogs.opened.empty());
    } else {
      ASSERT_EQ(dialogs.opened.size(), 1u);
      const auto& o = dialogs.opened[0];
      EXPECT_EQ(o.name, c.opened);
      EXPECT_EQ(o.navTitle, c.title ? QString::fromUtf8(c.title) : QStringLiteral("before"));
      EXPECT_EQ(o.fullScreen, !c.fullScreenLeft);
      EXPECT_TRUE(o.dialogOpen);
      EXPECT_EQ(o.roadIndex, 0);
    }
    EXPECT_FALSE(app.flags.dialogOpen.load());
    EXPECT_FALSE(app.mainFrame()->commandBar()->isVisibleTo(app.mainFrame()));  // full screen again
    app.trafficManager.DeleteItems();
  }
}

// The menu entry goes on to the chosen camera's live video; the button does not. No
// member record, no membership dialog.
TEST_F(MainViewTest, VideoChoiceAndMembershipRecord) {
  ShowTraffic(0, 2, 0);
  dialogs.videoName = QStringLiteral("카메라 1");
  view->OnCommand(CKavrelClientPDAView::kCctvVideoCommand);
  ASSERT_EQ(dialogs.opened.size(), 2u);
  EXPECT_EQ(dialogs.opened[1].name, "screen 701");
  dialogs.opened.clear();
  view->OnCommand(kCctvButton);
  EXPECT_EQ(dialogs.opened.size(), 1u);
  dialogs.opened.clear();
  dialogs.videoOk = false;  // Cancel
  view->OnCommand(CKavrelClientPDAView::kCctvVideoCommand);
  EXPECT_EQ(dialogs.opened.size(), 1u);
  dialogs.opened.clear();
  dialogs.memberInformation = false;
  view->OnCommand(CKavrelClientPDAView::kChangeMembershipCommand);
  EXPECT_TRUE(dialogs.opened.empty());
}

TEST_F(MainViewTest, IdSearchFillsTheIdEdit) {
  auto* edit = static_cast<QLineEdit*>(view->Control(kIdEdit));
  for (const QString& found : {QStringLiteral("hong"), QString()}) {
    edit->setText(QStringLiteral("old"));
    dialogs.foundId = found;
    view->OnCommand(kIdSearchButton);
    EXPECT_EQ(edit->text(), found);
    EXPECT_EQ(view->window()->windowTitle(), QStringLiteral("교통정보센터 티커"));
  }
}

// The menu button opens "전체메뉴" at (0, 249) of the view with its four entries.
TEST_F(MainViewTest, PopupMenu) {
  ShowTraffic(0, 0, 0);
  view->show();
  QMenu* menu = view->menu();
  EXPECT_EQ(menu->title(), QStringLiteral("전체메뉴"));
  std::vector<std::pair<int, QString>> entries;
  for (QAction* a : menu->actions()) entries.emplace_back(a->data().toInt(), a->text());
  const std::vector<std::pair<int, QString>> expected = {{32771, QStringLiteral("설정")},
                                                         {32775, QStringLiteral("가입 정보 변경")},
                                                         {57664, QStringLiteral("프로그램 정보")},
                                                         {57665, QStringLiteral("끝내기")}};
  EXPECT_EQ(entries, expected);
  view->Control(kMenuButton)->setEnabled(true);
  static_cast<SkinButton*>(view->Control(kMenuButton))->click();
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->pos(), view->mapToGlobal(CKavrelClientPDAView::kMenuPosition));
  menu->actions()[2]->trigger();
  menu->hide();
  ASSERT_EQ(dialogs.opened.size(), 1u);
  EXPECT_EQ(dialogs.opened[0].name, "about");
}

}  // namespace
