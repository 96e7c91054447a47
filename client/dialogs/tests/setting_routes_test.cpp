// The route page and its place search: stored routes and the row rules, the search
// dialog against a scripted peer (every reply shape, typed text, Cancel, texts that do
// not fit or cannot be sent), and a route found on kavreld reaching the traffic screen.
#include <QApplication>
#include <QScrollBar>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

#include "demo_profile.h"
#include "location_search_dlg.h"
#include "messages.h"
#include "protocol/records.h"
#include "scripted_peer.h"
#include "server_process.h"
#include "setting_sheet_fixture.h"
#include "shortcut_tab.h"
#include "ticker_display.h"

namespace {

using client::testing::SettingSheet;
using kavrel::ui::MessageIcon;
using zmntp::testing::Bytes;
using zmntp::testing::Conversation;
using zmntp::testing::Framed;
using zmntp::testing::ScriptedPeer;
namespace msg = client::messages;

// Acts on the search dialog once it runs modally, then leaves it alone.
class WhenSearchOpens {
 public:
  explicit WhenSearchOpens(std::function<void(LocationSearchDlg&)> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dlg = dynamic_cast<LocationSearchDlg*>(QApplication::activeModalWidget());
      if (!dlg) return;
      timer_.stop();
      opened = true;
      items.clear();
      for (int i = 0; i < dlg->combo().count(); ++i) items << dlg->combo().itemText(i);
      current = dlg->combo().currentIndex();
      names = dlg->names;
      act_(*dlg);
    });
    timer_.start(5);
  }

  bool opened = false;
  QStringList items;  // the combo as shown
  int current = -1;
  QStringList names;  // server order

 private:
  std::function<void(LocationSearchDlg&)> act_;
  QTimer timer_;
};

// The user chooses combo item `index`, or types `text`, and presses OK.
std::function<void(LocationSearchDlg&)> Choose(int index) {
  return [index](LocationSearchDlg& d) {
    d.combo().setCurrentIndex(index);
    d.accept();
  };
}
std::function<void(LocationSearchDlg&)> Type(const QString& text) {
  return [text](LocationSearchDlg& d) {
    d.combo().setEditText(text);
    d.accept();
  };
}

// With KAVREL_SETTINGS_SHOTS set, the widget is saved there as a picture.
void Shot(QWidget& w, const char* name) {
  const QString shots = qEnvironmentVariable("KAVREL_SETTINGS_SHOTS");
  if (shots.isEmpty()) return;
  QDir().mkpath(shots);
  QCoreApplication::processEvents();
  w.grab().save(shots + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

Bytes SearchReply(const std::vector<std::pair<const char*, std::uint32_t>>& places) {
  std::vector<protocol::SearchResult> results;
  for (const auto& [name, id] : places) results.push_back({client::ToAnsiLossy(QString::fromUtf8(name)), id});
  return protocol::WriteSearchReply(results);
}

class RoutePage : public SettingSheet {
 protected:
  ShortcutTab& Routes() { return dlg->shortcutTab(); }
  // The user types `text` into an empty edit and presses the edit's search button.
  void Search(int row, int role, const QString& text) {
    PointEdit& edit = role == SearchButton::kOrigin ? Routes().originEdit(row) : Routes().destinationEdit(row);
    edit.clear();
    edit.insert(text);  // as typed through the input panel
    Routes().searchButton(row, role).click();
  }
};

TEST_F(RoutePage, StoredRoutesLoadAndCheckingOrChangingAKindRefusesDuplicates) {
  store.SaveList(CSettingsStore::kRoutes,
                 {"false,,가,1,나,2,", "true,빠른길,가,abc,나,7,", "false,빠른길,A,1,B,2,", "false,빠른길,A,1,B,2,",
                  "false,가까운길,A,1,B,2,", "true,빠른길,A,1,C,3,", "false,빠른길,A,1,,2,", "true,빠른길,A,1,B,2,",
                  "false,,,-1,,-1,", "true,빠른길,typed,-1,B,2,"},
                 4, 30, 5);
  app.trafficManager.routes.seconds = 30;
  Open(SettingDlg::kShortcut);
  ShortcutTab& page = Routes();
  // The tour drives the page by these names.
  EXPECT_EQ(page.findChild<QLineEdit*>("originEdit0"), &page.originEdit(0));
  EXPECT_EQ(page.findChild<QPushButton*>("destSearch9"), &page.searchButton(9, SearchButton::kDestination));
  EXPECT_EQ(page.findChild<QComboBox*>("kindCombo4"), &page.kindCombo(4));

  EXPECT_EQ(page.kindCombo(0).currentText(), "가까운길");  // an empty kind
  EXPECT_EQ(page.originEdit(0).text(), "가");
  EXPECT_EQ(page.destinationEdit(0).pointId, 2);
  EXPECT_EQ(page.originEdit(1).pointId, 0);  // "abc" as atoi reads it
  EXPECT_EQ(page.kindCombo(8).currentText(), "가까운길");
  EXPECT_EQ(page.refreshBlock().secondsCombo()->currentText(), "30");
  EXPECT_TRUE(boxes.shown().empty());

  // Row 2 (A→B, fastest) is refused for row 7, though row 5 has the same origin and kind.
  Check(page, 2, true);
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(msg::kDuplicate)});
  EXPECT_FALSE(page.list().IsChecked(2));
  // The same points as shortest are no duplicate.
  Check(page, 4, true);
  EXPECT_TRUE(page.list().IsChecked(4));
  // Changing the checked row 4 to fastest makes it row 7's twin: its kind comes back.
  Pick(page.kindCombo(4), "빠른길");
  EXPECT_EQ(Texts().back(), Msg(msg::kDuplicate));
  EXPECT_EQ(page.kindCombo(4).currentText(), "가까운길");
  // An unchecked row's kind changes freely.
  Pick(page.kindCombo(3), "가까운길");
  EXPECT_EQ(boxes.shown().size(), 2u);
  // A row without an id, or without a name, cannot be checked.
  for (int row : {6, 8}) {
    Check(page, row, true);
    EXPECT_EQ(Texts().back(), Msg(msg::kSetRouteBySearch));
    EXPECT_FALSE(page.list().IsChecked(row));
  }
  // A found origin edited by hand keeps its id and stays valid.
  page.originEdit(3).clear();
  page.originEdit(3).insert(QStringLiteral("A역"));
  EXPECT_EQ(page.originEdit(3).pointId, 1);
  Check(page, 3, true);
  EXPECT_TRUE(page.list().IsChecked(3));
  // Searching with an empty edit only asks for a name.
  const std::size_t before = boxes.shown().size();
  page.searchButton(8, SearchButton::kDestination).click();
  ASSERT_EQ(boxes.shown().size(), before + 1);
  EXPECT_EQ(boxes.shown().back().text, Msg(msg::kEnterPoint));
  EXPECT_EQ(boxes.shown().back().icon, MessageIcon::None);

  // OK reports the checked rows that were loaded invalid (damaged id, typed name) and
  // stores every row as it is; the sheet closes.
  boxes.Clear();
  dlg->OnOK();
  EXPECT_EQ(Texts(), (std::vector<QString>{Msg(msg::kSetRouteBySearch), Msg(msg::kSetRouteBySearch)}));
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kRoutes),
            (QStringList{"false,가까운길,가,1,나,2,", "true,빠른길,가,0,나,7,", "false,빠른길,A,1,B,2,",
                         "true,가까운길,A역,1,B,2,", "true,가까운길,A,1,B,2,", "true,빠른길,A,1,C,3,",
                         "false,빠른길,A,1,,2,", "true,빠른길,A,1,B,2,", "false,가까운길,,-1,,-1,",
                         "true,빠른길,typed,-1,B,2,"}));
  EXPECT_EQ(store.ReadNum(CSettingsStore::kRoutes), 6);
  EXPECT_EQ(store.GetProfileString(CSettingsStore::kRoutes, "update"), "30,5,");
  EXPECT_EQ(app.selectedRoutes, 6);
  EXPECT_TRUE(app.selectionChanged.routes);
  // The route items are built from the checked rows, in row order.
  const auto& items = app.trafficManager.routes.Undisplayed();
  ASSERT_EQ(items.size(), 6u);
  struct Item {
    const char* origin;
    std::uint32_t originId;
    const char* destination;
    std::uint32_t destinationId;
    int kind;
  } expected[] = {{"가", 0, "나", 7, 1},    {"A역", 1, "B", 2, 0}, {"A", 1, "B", 2, 0},
                  {"A", 1, "C", 3, 1},     {"A", 1, "B", 2, 1},  {"typed", 0xFFFFFFFFu, "B", 2, 1}};
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i]->originName, QString::fromUtf8(expected[i].origin));
    EXPECT_EQ(items[i]->originId, expected[i].originId);
    EXPECT_EQ(items[i]->destinationName, QString::fromUtf8(expected[i].destination));
    EXPECT_EQ(items[i]->destinationId, expected[i].destinationId);
    EXPECT_EQ(items[i]->kind, expected[i].kind);
    EXPECT_EQ(items[i]->position, static_cast<int>(i));
  }
  ExpectInformationBoxes();
}

TEST_F(RoutePage, SearchListsTheCompleteResultsOfEveryReplyAndReturnsTheFirstIdOfAName) {
  const Bytes equalNames = SearchReply({{"중앙역", 5}, {"가람역", 3}, {"중앙역", 9}});
  Bytes fifty;
  {
    std::vector<std::pair<const char*, std::uint32_t>> many(50, {"역", 1});
    fifty = SearchReply(many);
    fifty[0] = 60;  // more than a reply can hold
  }
  Bytes negative = equalNames;
  negative[0] = static_cast<std::uint8_t>(-3);
  Bytes cut = equalNames;
  cut.resize(protocol::kSearchIdOffset + 4 * 2 + 3);  // the third id is incomplete

  struct Case {
    const char* what;
    Bytes reply;
    std::function<void(LocationSearchDlg&)> act;
    QStringList shown;
    const char* name;
    int id;
  } cases[] = {
      {"equal names", equalNames, Type("중앙역"), {"가람역", "중앙역", "중앙역"}, "중앙역", 5},
      {"item 0 of the sorted list", equalNames, Choose(0), {"가람역", "중앙역", "중앙역"}, "가람역", 3},
      {"a typed name that is not listed", equalNames, Type("중앙"), {"가람역", "중앙역", "중앙역"}, "중앙", -1},
      {"Cancel", equalNames, [](LocationSearchDlg& d) { d.reject(); }, {"가람역", "중앙역", "중앙역"}, "", -1},
      {"count above 50", fifty, Choose(49), QStringList(50, "역"), "역", 1},
      {"fewer bytes than the count needs", cut, Choose(1), {"가람역", "중앙역"}, "중앙역", 5},
      {"negative count", negative, Choose(0), {}, "", -1},
  };
  const std::string address = zmntp::testing::TestAddress();
  app.serverAddress = QString::fromStdString(address);
  std::vector<Conversation> script;
  for (const Case& c : cases) script.push_back({24 + 128, Framed(c.reply)});
  ScriptedPeer peer(address, script);
  Open(SettingDlg::kShortcut);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    boxes.Clear();
    WhenSearchOpens search(c.act);
    Search(0, SearchButton::kOrigin, QStringLiteral("역"));
    EXPECT_EQ(search.opened, !c.shown.isEmpty());
    EXPECT_EQ(search.items, c.shown);
    if (search.opened) {
      EXPECT_EQ(search.current, 0);
    }
    EXPECT_EQ(Routes().originEdit(0).text(), QString::fromUtf8(c.name));
    EXPECT_EQ(Routes().originEdit(0).pointId, c.id);
    if (c.shown.isEmpty()) {
      ASSERT_EQ(boxes.shown().size(), 1u);
      EXPECT_EQ(Texts()[0], QStringLiteral("찾고자 하는 지점에 해당되는 리스트가 없습니다.\n\r다시 입력해 주십시요"));
      ExpectInformationBoxes();
    } else {
      EXPECT_TRUE(boxes.shown().empty());
    }
  }
  peer.Finish();
  EXPECT_EQ(peer.Connections(), static_cast<int>(std::size(cases)));
}

TEST_F(RoutePage, SearchTextsAreCutAtACharacterOrRefusedBeforeSending) {
  const std::string address = zmntp::testing::TestAddress();
  app.serverAddress = QString::fromStdString(address);
  ScriptedPeer peer(address, {{24 + 128, Framed(SearchReply({{"가가", 4}}))}});
  Open(SettingDlg::kShortcut);
  // 64 two-byte characters: 63 of them and the NUL fill the 128-byte field.
  WhenSearchOpens search(Choose(0));
  Search(2, SearchButton::kDestination, QString(64, QChar(0xAC00)));  // 가
  ASSERT_TRUE(search.opened);
  EXPECT_EQ(Routes().destinationEdit(2).pointId, 4);
  // A character without a code page 949 form: told, nothing sent, the point emptied.
  Search(3, SearchButton::kOrigin, QStringLiteral("시청\U0001F697"));
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(msg::kSearchNotKorean)});
  ExpectInformationBoxes();
  EXPECT_EQ(Routes().originEdit(3).text(), "");
  EXPECT_EQ(Routes().originEdit(3).pointId, -1);
  peer.Finish();
  ASSERT_EQ(peer.Received().size(), 1u);
  const Bytes request = peer.Received()[0];  // a copy: Received() hands out its own
  ASSERT_GE(request.size(), 24u + 128u);
  const std::string sent(request.begin() + 24, request.begin() + 24 + 128);
  EXPECT_EQ(sent, client::ToAnsiLossy(QString(63, QChar(0xAC00))) + std::string(2, '\0'));
}

TEST_F(RoutePage, ARouteBetweenPlacesFoundOnKavreldIsWhatTheTrafficScreenShowsAfterOk) {
  kavreld::testing::TempDir dir("routes");
  const std::string address = zmntp::testing::TestAddress();
  kavreld::testing::KavreldProcess server(address, kavreld::testing::SampleData(), dir.path() / "members.db",
                                          dir.path() / "kavreld.log");
  ASSERT_TRUE(server.Start()) << server.Log();
  app.serverAddress = QString::fromStdString(address);
  // As in a running client: its start fetched the first items, the sheet is open.
  app.trafficManager.routes.firstItemFetched.store(true);
  app.flags.dialogOpen.store(true);
  auto ask = [&](const QString& text) {
    std::array<std::uint8_t, protocol::kTextBodySize> body{};
    kavrel::WriteCp949Field(body.data(), body.size(), client::ToAnsiLossy(text));
    return protocol::ReadSearchReply(client::demo::Ask(address, CMD_NODE_INFO, body.data()));
  };
  const auto stations = ask(QStringLiteral("역"));
  ASSERT_GT(stations.size(), 1u);
  QStringList serverNames;
  for (const auto& s : stations) serverNames << client::FromAnsi(s.name);
  const auto market = ask(QStringLiteral("남부시장"));
  ASSERT_EQ(market.size(), 1u);

  Open(SettingDlg::kShortcut);
  // Many results: listed sorted; the user takes the last one.
  WhenSearchOpens many([last = static_cast<int>(stations.size()) - 1](LocationSearchDlg& d) {
    Shot(d, "location_search");
    EXPECT_LE(d.width(), 240);
    Choose(last)(d);
  });
  Search(0, SearchButton::kOrigin, QStringLiteral("역"));
  ASSERT_TRUE(many.opened);
  EXPECT_EQ(many.names, serverNames);
  QStringList sorted = serverNames;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(many.items, sorted);
  const QString origin = sorted.back();
  EXPECT_EQ(Routes().originEdit(0).text(), origin);
  const std::uint32_t originId = stations[static_cast<std::size_t>(serverNames.indexOf(origin))].id;
  EXPECT_EQ(Routes().originEdit(0).pointId, static_cast<int>(originId));
  // One result.
  WhenSearchOpens one(Choose(0));
  Search(0, SearchButton::kDestination, QStringLiteral("남부시장"));
  EXPECT_EQ(one.items, QStringList{"남부시장"});
  EXPECT_EQ(Routes().destinationEdit(0).pointId, static_cast<int>(market[0].id));
  // No result: the message, and the point is emptied.
  WhenSearchOpens none([](LocationSearchDlg& d) { d.reject(); });
  Search(1, SearchButton::kOrigin, QStringLiteral("없는곳이름"));
  EXPECT_FALSE(none.opened);
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(LocationSearchDlg::kNoResult)});
  EXPECT_EQ(Routes().originEdit(1).text(), "");
  EXPECT_EQ(Routes().originEdit(1).pointId, -1);

  Pick(Routes().kindCombo(0), "빠른길");
  Check(Routes(), 0, true);
  Shot(*dlg, "route_page_filled");
  Routes().list().horizontalScrollBar()->setValue(Routes().list().horizontalScrollBar()->maximum());
  Shot(*dlg, "route_page_scrolled");
  dlg->OnOK();
  EXPECT_EQ(boxes.shown().size(), 1u);
  ASSERT_FALSE(dlg->isVisible());
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kRoutes)[0],
            QStringLiteral("true,빠른길,%1,%2,남부시장,%3,").arg(origin).arg(originId).arg(market[0].id));

  // The sheet goes: the new route is uploaded and fetched. The server's figures may
  // move on at a minute's turn, so its answer is taken before and after.
  auto figures = [&] {
    auto query = protocol::WriteRouteQuery({protocol::kRouteFastest, originId, market[0].id});
    long long seconds = 0, metres = 0;
    for (const auto& r : protocol::ReadRouteSegmentRecords(client::demo::Ask(address, CMD_ROUTE, query.data()))) {
      seconds += r.seconds;
      metres += r.lengthM;
    }
    return QStringLiteral("%1분%2초 %3.%4")
        .arg(seconds / 60)
        .arg(seconds % 60)
        .arg(metres / 1000)
        .arg(metres % 1000, 3, 10, QLatin1Char('0'));
  };
  const QString before = figures();
  dlg.reset();
  const QString after = figures();
  const panel::TrafficScreen screen = panel::ShownTraffic(app.trafficManager, QImage());
  EXPECT_TRUE(screen.routeEnabled);
  ASSERT_TRUE(screen.route.has_value());
  EXPECT_EQ(screen.route->label, origin + QStringLiteral(" -> 남부시장: 빠른길"));
  const QString shown = screen.route->timeText + QLatin1Char(' ') + screen.route->lengthText;
  EXPECT_TRUE(shown == before || shown == after) << shown.toStdString() << " / " << before.toStdString();
  EXPECT_NE(screen.route->lengthText, "0.000");
  EXPECT_EQ(boxes.shown().size(), 1u);
}

}  // namespace
