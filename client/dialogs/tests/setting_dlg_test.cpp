// The sheet: its pages and their lists, the apply protocol over several pages, the
// general and news-flash pages, and the reload and fetches when the sheet closes
// (against a scripted server).
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTabBar>

#include "kavrel/little_endian.h"
#include "program_dialogs.h"
#include "road_item.h"
#include "scripted_peer.h"
#include "setting_sheet_fixture.h"

namespace {

using client::testing::SettingSheet;
using zmntp::testing::Bytes;
using zmntp::testing::Concat;
using zmntp::testing::Conversation;
using zmntp::testing::Le32;
using zmntp::testing::ScriptedPeer;
namespace msg = client::messages;

class SettingSheetTest : public SettingSheet {};

TEST_F(SettingSheetTest, FivePagesInOrderWithTheirListsOnTheHandheldScreen) {
  const QString shots = qEnvironmentVariable("KAVREL_SETTINGS_SHOTS");
  if (!shots.isEmpty()) {
    // The program's font, for pictures as the handheld shows them.
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(12);
    QApplication::setFont(font);
  }
  SettingDlg& sheet = Open();
  EXPECT_EQ(sheet.windowTitle(), "설정");
  EXPECT_EQ(sheet.size(), QSize(240, 320));
  EXPECT_EQ(sheet.pos(), QPoint(0, 0));
  const char* captions[] = {"기본 설정", "속보창", "빠른길/가까운길", "대로/다리/터널", "CCTV 영상"};
  ASSERT_EQ(sheet.tabs().count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(sheet.tabs().tabText(i), QString::fromUtf8(captions[i]));
  EXPECT_TRUE(sheet.page(SettingDlg::kGeneral).initialised());
  EXPECT_FALSE(sheet.page(SettingDlg::kCctv).initialised());  // not shown yet

  struct Layout {
    int page;
    std::vector<std::pair<QString, int>> columns;
  } layouts[] = {
      {SettingDlg::kShortcut, {{" ", 17}, {"출 발 지", 110}, {"도 착 지", 110}, {"표시정보", 80}}},
      {SettingDlg::kSeoulTraffic, {{" ", 17}, {"표시정보", 60}, {"       표시 지점", 148}}},
      {SettingDlg::kCctv, {{" ", 17}, {QString(17, ' ') + "표시 지점", 200}}},
  };
  for (const Layout& l : layouts) {
    sheet.ShowPage(l.page);
    auto& page = static_cast<ItemPage&>(sheet.page(l.page));
    SettingListCtrl& list = page.list();
    ASSERT_EQ(list.rowCount(), 10);
    ASSERT_EQ(list.columnCount(), static_cast<int>(l.columns.size()));
    for (int c = 0; c < list.columnCount(); ++c) {
      EXPECT_EQ(list.horizontalHeaderItem(c)->text(), l.columns[static_cast<std::size_t>(c)].first);
      EXPECT_EQ(list.columnWidth(c), l.columns[static_cast<std::size_t>(c)].second);
      EXPECT_EQ(list.horizontalHeader()->sectionResizeMode(c), QHeaderView::Fixed);
    }
    for (int r = 0; r < 10; ++r) EXPECT_GE(list.rowHeight(r), 24);
    // The in-place controls sit on their cells, also after the list scrolled.
    QScrollBar* bar = list.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);  // ten rows do not fit the handheld's screen
    for (int value : {bar->maximum(), bar->maximum() / 2, 0}) {
      bar->setValue(value);
      QCoreApplication::processEvents();
      for (int r = 0; r < 10; ++r)
        for (int c = 1; c < list.columnCount(); ++c) {
          QWidget* control = list.cellWidget(r, c);
          ASSERT_NE(control, nullptr);
          EXPECT_EQ(control->geometry(), list.visualRect(list.model()->index(r, c))) << r << "," << c;
        }
    }
  }
  // The whole sheet fits the screen: every tab reachable, the buttons inside.
  for (QPushButton* b : {&sheet.okButton(), &sheet.cancelButton(), &sheet.applyButton()}) {
    EXPECT_TRUE(sheet.rect().contains(b->geometry())) << b->text().toStdString();
    EXPECT_GE(b->height(), 24);
  }
  if (!shots.isEmpty()) {
    QDir().mkpath(shots);
    for (int i = 0; i < 5; ++i) {
      sheet.ShowPage(i);
      QCoreApplication::processEvents();
      sheet.grab().save(shots + QStringLiteral("/settings_page_%1.png").arg(i + 1));
    }
  }
}

TEST_F(SettingSheetTest, OkAppliesShownPagesInOrderAndStopsAtTheFirstThatRefuses) {
  store.SaveList(CSettingsStore::kCameras, {"true,사라진곳,3,"}, 1, 0, 5);
  store.SaveList(CSettingsStore::kRoads, {"true,대 로,중앙대로,0,"}, 1, 0, 5);
  app.autoLogin = 1;
  app.newsFlash.show = 1;
  SettingDlg& sheet = Open();
  // General: auto-login off (the sheet's Apply is not offered for it).
  sheet.generalTab().autoLoginBox().click();
  EXPECT_FALSE(sheet.generalTab().applied());
  EXPECT_FALSE(sheet.applyButton().isEnabled());
  // News flash: off, and the show value changes at once; nothing stored yet.
  sheet.ShowPage(SettingDlg::kNewsflash);
  sheet.newsflashTab().showBox().click();
  EXPECT_EQ(app.newsFlash.show, 0);
  EXPECT_EQ(store.GetProfileInt(CSettingsStore::kNewsFlash, "show", 7), 7);
  EXPECT_TRUE(sheet.applyButton().isEnabled());
  sheet.newsflashTab().showBox().click();
  sheet.newsflashTab().showBox().click();
  // Road page shown and changed; CCTV page changed with a camera that is gone.
  sheet.ShowPage(SettingDlg::kSeoulTraffic);
  Check(Roads(), 0, false);
  sheet.ShowPage(SettingDlg::kCctv);
  Check(Cameras(), 0, false);
  Check(Cameras(), 0, true);  // refused: no camera
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(msg::kSetItem)});
  Pick(Cameras().cameraCombo(1), "중앙역");
  Check(Cameras(), 1, true);
  Pick(Cameras().cameraCombo(0), "시청앞");  // unchecked row: no test
  Check(Cameras(), 0, true);
  Pick(Cameras().cameraCombo(0), "중앙역");  // checked row: duplicate of row 1
  EXPECT_EQ(Cameras().cameraCombo(0).currentText(), "시청앞");
  sheet.ShowPage(SettingDlg::kGeneral);

  // Every page gets its apply: general, news flash and roads are stored.
  sheet.OnOK();
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_EQ(store.GetProfileInt(CSettingsStore::kSettings, "auto_login", 7), 0);
  EXPECT_EQ(app.autoLogin, 1);  // until the next start
  EXPECT_EQ(store.GetProfileInt(CSettingsStore::kNewsFlash, "show", 7), 0);
  EXPECT_EQ(store.GetProfileString(CSettingsStore::kNewsFlash, "update"), "0,5");
  EXPECT_EQ(store.ReadNum(CSettingsStore::kRoads), 0);
  EXPECT_EQ(store.GetProfileString(CSettingsStore::kRoads, "1"), "false,대 로,중앙대로,0,");
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kCameras).first(), "true,시청앞,1,");
  EXPECT_EQ(store.ReadNum(CSettingsStore::kCameras), 2);
  EXPECT_TRUE(app.selectionChanged.roads);
  EXPECT_TRUE(app.selectionChanged.cameras);
  EXPECT_FALSE(app.selectionChanged.routes);
  EXPECT_EQ(app.newsFlash.interval, 5u * 60000u);  // the news flash applied at once
}

TEST_F(SettingSheetTest, ARefusingPageKeepsTheSheetOpenOnItWhilePagesBeforeItStayApplied) {
  store.SaveList(CSettingsStore::kRoads, {"true,대 로,중앙대로,1,"}, 1, 0, 5);
  SettingDlg& sheet = Open(SettingDlg::kNewsflash);
  sheet.newsflashTab().refreshBlock().secondsCombo()->setCurrentIndex(2);
  emit sheet.newsflashTab().refreshBlock().secondsCombo()->activated(2);
  sheet.ShowPage(SettingDlg::kSeoulTraffic);
  Pick(Roads().categoryCombo(3), "다 리");
  sheet.ShowPage(SettingDlg::kCctv);
  Pick(Cameras().cameraCombo(0), "중앙역");
  sheet.ShowPage(SettingDlg::kGeneral);

  sheet.OnOK();  // the road row's list type says bridge: not a road
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(msg::kNotRoad)});
  EXPECT_TRUE(sheet.isVisible());
  EXPECT_EQ(sheet.tabs().currentIndex(), SettingDlg::kSeoulTraffic);
  EXPECT_EQ(store.GetProfileString(CSettingsStore::kNewsFlash, "update"), "30,5");  // before it: stored
  EXPECT_EQ(app.newsFlash.seconds, 30);
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kRoads), QStringList{"true,대 로,중앙대로,1,"});  // nothing
  EXPECT_TRUE(app.selectionChanged.roads);
  EXPECT_FALSE(app.selectionChanged.cameras);  // after it: not applied
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kCameras), QStringList{});

  // Apply (the button) stays on the sheet and applies the same way.
  Drop(Roads().pointCombo(0));
  sheet.applyButton().click();
  EXPECT_TRUE(sheet.isVisible());
  EXPECT_FALSE(sheet.applyButton().isEnabled());
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kRoads).first(), "true,대 로,중앙대로,0,");
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kCameras).first(), "false,중앙역,2,");
  EXPECT_EQ(boxes.shown().size(), 1u);
}

// The bulk reload (the library sends it as the bulk exchange's code): road names at 124 + 32 i after their count at 120, camera ids at
// 652 + 4 i after their count at 648 (body offsets).
struct Selection {
  std::vector<std::string> roads;
  std::vector<std::uint32_t> cameras;
};
Selection ReadSelection(const Bytes& request) {
  Selection s;
  if (request.size() < 24 + 732) return s;
  const std::uint8_t* body = request.data() + 24;
  for (std::uint32_t i = 0, n = kavrel::ReadU32(body, 120); i < n && i < 10; ++i)
    s.roads.emplace_back(reinterpret_cast<const char*>(body + 124 + 32 * i));
  for (std::uint32_t i = 0, n = kavrel::ReadU32(body, 648); i < n && i < 10; ++i)
    s.cameras.push_back(kavrel::ReadU32(body, 652 + 4 * i));
  return s;
}
std::vector<std::uint32_t> Codes(ScriptedPeer& peer) {
  std::vector<std::uint32_t> codes;
  for (const Bytes& r : peer.Received()) codes.push_back(r.size() >= 4 ? kavrel::ReadU32(r.data(), 0) : 0);
  return codes;
}
Conversation Reload() {
  Conversation c{24 + 732, {}};
  c.then = Conversation::Then::Close;
  return c;
}
Conversation Speeds(Bytes speeds) { return {24 + 128, Concat({Le32(static_cast<std::uint32_t>(speeds.size())), speeds})}; }
Conversation StillRefused() {
  Conversation c{24 + 4, {}};
  c.then = Conversation::Then::Close;
  return c;
}

class SheetClose : public SettingSheet {
 protected:
  void SetUp() override {
    SettingSheet::SetUp();
    app.serverAddress = QString::fromStdString(address);
    CTrafficManager& tm = app.trafficManager;
    tm.roads.First().push_back(std::make_unique<RoadItem>(1, QStringLiteral("중앙대로")));
    tm.cameras.First().push_back(std::make_unique<CctvItem>(QStringLiteral("중앙역"), 2));
    app.flags.dialogOpen.store(true);
  }
  std::string address = zmntp::testing::TestAddress();
};

TEST_F(SheetClose, ChangedListsAreReloadedFromTheirNewBuffersThenFetchedRoadsFirst) {
  store.SaveList(CSettingsStore::kRoads, {"true,대 로,중앙대로,0,"}, 1, 0, 5);
  ScriptedPeer peer(address, {Reload(), Speeds({40, 60}), Speeds({20, 30}), StillRefused()});
  Open(SettingDlg::kCctv);
  Pick(Cameras().cameraCombo(4), "가람대교");
  Check(Cameras(), 4, true);
  dlg->ShowPage(SettingDlg::kSeoulTraffic);
  Pick(Roads().categoryCombo(1), "다 리");
  Drop(Roads().pointCombo(1));
  Pick(Roads().pointCombo(1), "새벽대교");
  Check(Roads(), 1, true);
  dlg->OnOK();
  ASSERT_FALSE(dlg->isVisible());
  dlg.reset();
  peer.Finish();

  EXPECT_EQ(Codes(peer), (std::vector<std::uint32_t>{CMD_ONE_STEP, CMD_ROAD_SPEED, CMD_ROAD_SPEED, CMD_CCTV_STILL}));
  const Selection sent = ReadSelection(peer.Received()[0]);
  EXPECT_EQ(sent.roads, (std::vector<std::string>{client::ToAnsiLossy("중앙대로"), client::ToAnsiLossy("새벽대교")}));
  EXPECT_EQ(sent.cameras, std::vector<std::uint32_t>{7});
  CTrafficManager& tm = app.trafficManager;
  EXPECT_EQ(tm.roads.displayBuffer.load(), 1);
  ASSERT_EQ(tm.roads.Displayed().size(), 2u);
  EXPECT_EQ(tm.roads.Displayed()[1]->recordCount, 2u);
  EXPECT_EQ(tm.cameras.displayBuffer.load(), 1);
  EXPECT_FALSE(app.flags.dialogOpen.load());
  EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(SheetClose, CancelAfterAFailedApplyStillRefreshesThatListWithTheItemsOnScreen) {
  store.SaveList(CSettingsStore::kRoads, {"true,대 로,,0,"}, 1, 0, 5);
  ScriptedPeer peer(address, {Reload(), Speeds({50, 50})});
  Open(SettingDlg::kSeoulTraffic);
  Pick(Roads().categoryCombo(3), "다 리");  // any change
  Check(Roads(), 3, true);                 // refused: no point
  dlg->OnOK();
  EXPECT_EQ(Texts().back(), Msg(msg::kSetRoadPoint));
  dlg->cancelButton().click();
  dlg.reset();
  peer.Finish();

  EXPECT_EQ(Codes(peer), (std::vector<std::uint32_t>{CMD_ONE_STEP, CMD_ROAD_SPEED}));
  const Selection sent = ReadSelection(peer.Received()[0]);
  EXPECT_EQ(sent.roads, std::vector<std::string>{client::ToAnsiLossy("중앙대로")});
  EXPECT_EQ(sent.cameras, std::vector<std::uint32_t>{2});  // unchanged: the displayed buffer
  ASSERT_EQ(app.trafficManager.roads.Displayed().size(), 1u);
  EXPECT_EQ(app.trafficManager.roads.Displayed()[0]->recordCount, 2u);
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kRoads), QStringList{"true,대 로,,0,"});
}

TEST_F(SheetClose, NothingChangedSendsNothing) {
  ScriptedPeer peer(address, {});
  SettingDlg& sheet = Open(SettingDlg::kCctv);
  sheet.ShowPage(SettingDlg::kSeoulTraffic);
  sheet.OnOK();
  dlg.reset();
  EXPECT_EQ(peer.Connections(), 0);
  EXPECT_FALSE(app.flags.dialogOpen.load());
}

}  // namespace

namespace {

TEST_F(SettingSheetTest, TheProgramsSettingsEntryRunsTheSheetModally) {
  ProgramDialogs dialogs(app);
  bool seen = false;
  QTimer::singleShot(0, [&seen] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* sheet = dynamic_cast<SettingDlg*>(w); sheet && sheet->isVisible()) {
        seen = sheet->isModal() && sheet->tabs().currentIndex() == SettingDlg::kGeneral;
        sheet->reject();
      }
    }
  });
  app.flags.dialogOpen.store(true);
  dialogs.Settings(nullptr);
  EXPECT_TRUE(seen);
  EXPECT_FALSE(app.flags.dialogOpen.load());
}

}  // namespace
