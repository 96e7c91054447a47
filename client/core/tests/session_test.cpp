// The login session and the start sequence through the real network library against
// scripted loopback servers.
#include <QLineEdit>
#include <QToolBar>

#include <cstring>

#include "ansi_text.h"
#include "kavrel/little_endian.h"
#include "messages.h"
#include "scripted_peer.h"
#include "session_fixture.h"

namespace {

using client::testing::ProcessUntil;
using kavrel::ui::MessageIcon;
using zmntp::testing::Bytes;
using zmntp::testing::Concat;
using zmntp::testing::Conversation;
using zmntp::testing::Framed;
using zmntp::testing::Le32;
using zmntp::testing::ScriptedPeer;
using View = CKavrelClientPDAView;
namespace msg = client::messages;

using zmntp::testing::Answer;
Conversation LoginAnswer(std::uint32_t result) { return Answer(124, Le32(result)); }
using client::testing::LogoutAnswer;
Conversation LimitsAnswer(std::array<std::uint32_t, 7> v) {
  Bytes b;
  for (std::uint32_t x : v) b = Concat({b, Le32(x)});
  return Answer(0, b);
}
// The bulk exchange: the server takes the selection and hangs up.
Conversation UploadRefused() {
  Conversation c{24 + 732, {}};
  c.then = Conversation::Then::Close;
  return c;
}
Conversation TextItemAnswer(const std::string& text) {
  Bytes b(80, 0);
  std::memcpy(b.data(), text.data(), text.size());
  return Answer(0, b);
}
Conversation NewsAnswer(const QString& text) {
  std::string s = client::ToAnsiLossy(text);
  return Answer(0, Bytes(s.begin(), s.end()));
}
// Road speeds come as one signed byte per segment.
Conversation SpeedsAnswer(const Bytes& speeds) {
  return {24 + 128, Concat({Le32(static_cast<std::uint32_t>(speeds.size())), speeds})};
}
Bytes RouteRecords(std::initializer_list<std::array<std::uint16_t, 3>> segments) {
  Bytes out;
  for (const auto& s : segments) {
    Bytes r(134, 0);
    kavrel::WriteU16(r.data(), 128, s[0]);
    kavrel::WriteU16(r.data(), 130, s[1]);
    kavrel::WriteU16(r.data(), 132, s[2]);
    out = Concat({out, r});
  }
  return out;
}

std::uint32_t CodeOf(const Bytes& request) { return request.size() >= 4 ? kavrel::ReadU32(request.data(), 0) : 0; }
std::vector<std::uint32_t> Codes(ScriptedPeer& peer) {
  std::vector<std::uint32_t> codes;
  for (const Bytes& r : peer.Received()) codes.push_back(CodeOf(r));
  return codes;
}
// The body of a request: the bytes after the 24-byte header.
Bytes BodyOf(const Bytes& request, std::size_t size) {
  if (request.size() < 24 + size) return {};
  return Bytes(request.begin() + 24, request.begin() + 24 + static_cast<std::ptrdiff_t>(size));
}
Bytes LoginBody(const std::string& id, bool login) {
  Bytes b(124, 0);
  std::memcpy(b.data(), id.data(), id.size());
  if (login) std::memcpy(b.data() + 120, "PDA", 3);
  return b;
}

class Session : public client::testing::ClientRun {
 protected:
  void Profile(const QString& server, int tickerStart, const QString& loginId) {
    store.WriteProfileString(CSettingsStore::kSettings, "tsip", server);
    store.WriteProfileString(CSettingsStore::kSettings, "login_id", loginId);
    if (tickerStart >= 0) store.WriteProfileInt(CSettingsStore::kSettings, "ticker_start", tickerStart);
  }
  std::string address = zmntp::testing::TestAddress();
};

TEST_F(Session, FirstStartShowsTheLoginScreenAndExitStillLogsOut) {
  Profile(QString::fromStdString(address), -1, "member7");  // auto_login defaults to 1
  ScriptedPeer peer(address, {LogoutAnswer()});
  Start();
  EXPECT_TRUE(view().Control(View::kIdEdit)->isVisible());
  EXPECT_TRUE(view().Control(View::kLoginButton)->isVisible());
  EXPECT_FALSE(app->flags.showTraffic.load());
  EXPECT_FALSE(Timer(View::kStartTimer));
  EXPECT_EQ(peer.Connections(), 0);
  EXPECT_EQ(app->mainFrame()->windowTitle(), "교통정보센터 티커");
  Exit();
  peer.Finish();
  ASSERT_EQ(Codes(peer), (std::vector<std::uint32_t>{CMD_USER_LOGOUT}));
  EXPECT_EQ(BodyOf(peer.Received()[0], 124), LoginBody("member7", false));
  EXPECT_EQ(store.TickerStart(), 0);
  EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Session, LoginButtonResultsAndWhatEachWritesToTheProfile) {
  struct Case {
    const char* typed;
    std::optional<std::uint32_t> reply;  // nullopt: nothing may be sent
    const char* message;                 // nullptr: none
    bool started;
    bool stored;
  } cases[] = {
      {"", std::nullopt, msg::kEnterId, false, false},
      {"새회원", 0, nullptr, true, true},
      {"member", 48, msg::kLoginFailed, false, false},
      {"member", 7, msg::kLoginFailed, false, false},
      {"member", RESULT_NOT_HANDLED, nullptr, true, false},
      {"member", 1, msg::kConnectFailed, false, false},
      {"member", 3, msg::kReceiveFailed, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.typed) + " -> " + (c.reply ? std::to_string(*c.reply) : "none"));
    Profile(QString::fromStdString(address), 0, "old");
    std::vector<Conversation> script;
    if (c.reply) script.push_back(LoginAnswer(*c.reply));
    if (c.started) script.push_back(LimitsAnswer({5, 5, 10, 5, 10, 5, 10}));
    script.push_back(LogoutAnswer());
    ScriptedPeer peer(address, script);
    boxes.Clear();

    Start();
    TypeId(QString::fromUtf8(c.typed));
    view().OnLoginButton();
    EXPECT_EQ(view().loggedIn(), c.started);
    EXPECT_EQ(Timer(View::kStartTimer), c.started ? std::optional<unsigned>(10) : std::nullopt);
    EXPECT_EQ(view().Control(View::kLoginButton)->isVisible(), !c.started);
    EXPECT_EQ(store.LoginId(), c.stored ? QString::fromUtf8(c.typed) : QString("old"));
    EXPECT_EQ(store.TickerStart(), c.stored ? 1 : 0);
    auto shown = boxes.shown();
    if (c.message) {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0].text, QString::fromUtf8(c.message));
      EXPECT_EQ(shown[0].caption, "교통정보 티커");
      EXPECT_EQ(shown[0].icon, MessageIcon::Information);
      EXPECT_EQ(shown[0].owner, c.reply ? nullptr : &view());  // the empty field's box is the view's
    } else {
      EXPECT_TRUE(shown.empty());
    }
    Exit();
    peer.Finish();
    std::vector<std::uint32_t> expected;
    if (c.reply) expected.push_back(CMD_USER_LOGIN);
    if (c.started) expected.push_back(CMD_REFRESH_INTERVALS);
    expected.push_back(CMD_USER_LOGOUT);
    ASSERT_EQ(Codes(peer), expected);
    if (c.reply) {
      EXPECT_EQ(BodyOf(peer.Received()[0], 124), LoginBody(client::ToAnsiLossy(QString::fromUtf8(c.typed)), true));
    }
    // The logout carries the id of a successful login, else the stored one.
    EXPECT_EQ(BodyOf(peer.Received().back(), 124),
              LoginBody(client::ToAnsiLossy(c.stored ? QString::fromUtf8(c.typed) : QString("old")), false));
  }
}

TEST_F(Session, IdsThatDoNotFitAndServerAddressesThatAreNotOneFailWithoutSending) {
  // An id of 120 bytes does not fit its field with the NUL: refused before sending.
  Profile(QString::fromStdString(address), 0, "old");
  {
    ScriptedPeer peer(address, {LogoutAnswer()});
    Start();
    TypeId(QString(60, QChar(0xAC00)));  // 60 Hangul syllables: 120 bytes
    view().OnLoginButton();
    ASSERT_EQ(boxes.texts(), std::vector<QString>{QString::fromUtf8(msg::kIdTooLong)});
    TypeId(QStringLiteral("ID\u00E9\u4E00\U0001F600"));  // no code page 949 form
    view().OnLoginButton();
    EXPECT_EQ(boxes.texts().back(), QString::fromUtf8(msg::kIdNotKorean));
    Exit();
    peer.Finish();
    EXPECT_EQ(Codes(peer), std::vector<std::uint32_t>{CMD_USER_LOGOUT});
  }
  // No server address, or text that is not one: the connection message, and the
  // automatic login falls back to the login screen.
  for (const char* server : {"", "not.an.address", "300.1.2.3"}) {
    SCOPED_TRACE(server);
    boxes.Clear();
    Profile(QString::fromUtf8(server), 1, "member");
    Start();
    EXPECT_TRUE(view().Control(View::kLoginButton)->isVisible());
    EXPECT_EQ(kavrel::ui::CurrentCursor(), kavrel::CursorShape::Arrow);
    ASSERT_EQ(boxes.texts(), std::vector<QString>{QString::fromUtf8(msg::kConnectFailed)});
    Exit();  // the logout fails the same way
    EXPECT_EQ(boxes.texts().size(), 2u);
  }
}

TEST_F(Session, AutomaticLoginRunsTheStartSequenceRefreshAndRotation) {
  Profile(QString::fromStdString(address), 1, "member");
  store.WriteProfileString(CSettingsStore::kRoads, "update", "0,5,");
  store.WriteProfileInt(CSettingsStore::kRoads, "num", 12);  // more than the server's 2
  store.WriteProfileString(CSettingsStore::kRoads, "1", "true,대 로,중앙대로,1,");
  store.WriteProfileString(CSettingsStore::kRoads, "2", "false,대 로,시청로,1,");
  store.WriteProfileString(CSettingsStore::kRoads, "3", "true,다 리,가람대교,2,");
  store.WriteProfileString(CSettingsStore::kRoads, "4", "true,대 로,역전로,1,");
  store.WriteProfileString(CSettingsStore::kRoutes, "update", "0,5,");
  store.WriteProfileInt(CSettingsStore::kRoutes, "num", 1);
  store.WriteProfileString(CSettingsStore::kRoutes, "1", "true,가까운길,시청앞,317815002,중앙역,28903815,");
  store.WriteProfileString(CSettingsStore::kNewsFlash, "update", "4,9");

  const Bytes routeRecords = RouteRecords({{50, 12000, 3700}, {40, 45, 25}});
  ScriptedPeer peer(address, {
                                 LoginAnswer(0),
                                 LimitsAnswer({5, 3, 10, 4, 2, 5, 10}),
                                 UploadRefused(),
                                 TextItemAnswer("127.0.0.1"),
                                 NewsAnswer("가람대교 공사\r\n\n"),
                                 SpeedsAnswer({50, 30, 50, 30, 50, 30, 50, 30, 50, 30}),  // 중앙대로, 10 segments
                                 Answer(12, routeRecords),
                                 SpeedsAnswer({70, 20}),  // 가람대교, by the loader
                                 Answer(12, RouteRecords({{30, 1000, 120}})),  // refresh: the route
                                 SpeedsAnswer({10, 10, 10, 10, 10, 10, 10, 10, 10, 10}),
                                 SpeedsAnswer({11, 22}),
                                 NewsAnswer("새 소식\r\n\n"),
                                 LogoutAnswer(),
                             });
  Start();
  // Logged in, limits fetched, timer 1 armed.
  EXPECT_EQ(store.TickerStart(), 1);
  EXPECT_EQ(traffic().limits.values[protocol::ServerLimits::kMostRoads], 2u);
  EXPECT_EQ(app->newsFlash.minutes, 5);
  ASSERT_EQ(Timer(View::kStartTimer), 10u);
  EXPECT_EQ(kavrel::ui::CurrentCursor(), kavrel::CursorShape::Wait);

  // Timer 1: selections, upload, relay, catalogue, first items; the traffic screen.
  ASSERT_TRUE(Fire(View::kStartTimer));
  EXPECT_FALSE(Timer(View::kStartTimer));
  EXPECT_EQ(Timer(View::kLoaderTimer), 50u);
  EXPECT_TRUE(app->flags.showTraffic.load());
  EXPECT_EQ(app->mainFrame()->geometry(), QRect(0, 0, 240, 320));
  EXPECT_TRUE(app->mainFrame()->commandBar()->isHidden());
  EXPECT_TRUE(view().Control(View::kCloseButton)->isVisible());
  EXPECT_FALSE(view().Control(View::kMenuButton)->isEnabled());
  ASSERT_EQ(traffic().roads.First().size(), 2u);  // num above the maximum: two, "false" skipped
  EXPECT_EQ(traffic().roads.First()[1]->name, "가람대교");
  EXPECT_EQ(traffic().roads.First()[1]->kind, 2);
  EXPECT_EQ(traffic().roads.First()[0]->recordCount, 10u);
  EXPECT_FALSE(traffic().roads.First()[1]->records.has_value());  // the loader's
  EXPECT_EQ(traffic().relayAddress, "127.0.0.1");
  EXPECT_EQ(traffic().catalogueNames.size(), 26);  // from the road file
  EXPECT_EQ(traffic().CameraIdByName("중앙역"), 2);
  EXPECT_EQ(traffic().CameraIdByName("없는 곳"), -1);
  EXPECT_FALSE(traffic().cameras.categoryEnabled.load());
  EXPECT_EQ(peer.Connections(), 7);

  // Timer 10: the loader fetches the rest and lets rotation, refresh and news loose.
  ASSERT_TRUE(RunLoader());
  EXPECT_TRUE(app->flags.itemsLoaded.load());
  EXPECT_EQ(Timer(View::kRotationTimer), 3000u);
  EXPECT_EQ(Timer(View::kRefreshTimer), 5000u);
  EXPECT_EQ(traffic().roads.First()[1]->recordCount, 2u);
  EXPECT_EQ(traffic().roads.displayBuffer.load(), 0);
  const std::uint32_t t0 = traffic().roads.lastTick;
  EXPECT_EQ(traffic().roads.interval, 4u * 60000u);
  EXPECT_EQ(traffic().routes.interval, 3u * 60000u);

  // Timer 11: the news flash goes to the screen; loading is over.
  ASSERT_TRUE(Fire(View::kNewsTimer));
  EXPECT_FALSE(Timer(View::kNewsTimer));
  EXPECT_TRUE(view().Control(View::kMenuButton)->isEnabled());
  EXPECT_EQ(kavrel::ui::CurrentCursor(), kavrel::CursorShape::Arrow);
  EXPECT_EQ(app->newsFlash.text, QStringLiteral("가람대교 공사            ...     "));
  EXPECT_TRUE(view().Control(View::kNewsFlash)->isVisible());
  EXPECT_EQ(app->newsFlash.interval, 5u * 60000u + 4000u);

  // What the screen shows.
  RoadItem& road = *traffic().roads.Displayed()[0];
  road.ComputeSpeeds();
  EXPECT_EQ(road.upSpeed, 50);
  EXPECT_EQ(road.downSpeed, 30);
  const RouteItem& route = *traffic().routes.Displayed()[0];
  EXPECT_EQ(route.kind, 0);
  EXPECT_EQ(route.TimeText(), "62분5초");
  EXPECT_EQ(route.LengthText(), "12.045");

  // Rotation: two roads, one route; nothing moves while a dialog is open.
  for (int i = 0; i < 3; ++i) Fire(View::kRotationTimer);
  EXPECT_EQ(traffic().roads.displayIndex.load(), 1);
  EXPECT_EQ(traffic().routes.displayIndex.load(), 0);
  app->flags.dialogOpen = true;
  Fire(View::kRotationTimer);
  Fire(View::kRefreshTimer);
  EXPECT_EQ(traffic().roads.displayIndex.load(), 1);
  app->flags.dialogOpen = false;

  // Refresh with the clock running over the top of the tick counter: each category is
  // due once its period has passed, fetched into the other buffer, then flipped.
  auto at = [&](std::uint32_t sinceT0) {
    clock.Advance(static_cast<std::uint32_t>(t0 + sinceT0 - clock.TickCount()));
    Fire(View::kRefreshTimer);
    return peer.Connections();
  };
  EXPECT_EQ(at(3 * 60000 - 1), 8);  // nothing due yet
  EXPECT_EQ(at(3 * 60000), 9);      // the route
  EXPECT_LT(clock.TickCount(), t0);  // the counter wrapped
  EXPECT_EQ(traffic().routes.displayBuffer.load(), 1);
  EXPECT_EQ(traffic().routes.displayIndex.load(), 0);
  EXPECT_EQ(traffic().routes.Displayed()[0]->TimeText(), "2분0초");
  EXPECT_EQ(traffic().roads.displayBuffer.load(), 0);
  EXPECT_EQ(at(4 * 60000), 11);  // both roads
  EXPECT_EQ(traffic().roads.displayBuffer.load(), 1);
  ASSERT_EQ(traffic().roads.Displayed().size(), 2u);
  EXPECT_EQ(traffic().roads.Displayed()[1]->name, "가람대교");
  EXPECT_EQ(traffic().roads.Displayed()[1]->recordCount, 2u);
  EXPECT_EQ(at(5 * 60000 + 4000 + 500), 12);  // the news flash
  EXPECT_EQ(app->newsFlash.text, QStringLiteral("새 소식            ...     "));
  EXPECT_FALSE(app->flags.tickerPaused.load());
  EXPECT_TRUE(boxes.shown().empty());

  Exit();
  peer.Finish();
  auto received = peer.Received();
  ASSERT_EQ(received.size(), 13u);
  const std::vector<std::uint32_t> codes = {CMD_USER_LOGIN, CMD_REFRESH_INTERVALS, CMD_ONE_STEP, CMD_TEXT_ITEM_C,
                                            CMD_TICKER_TEXT, CMD_ROAD_SPEED, CMD_ROUTE, CMD_ROAD_SPEED,
                                            CMD_ROUTE, CMD_ROAD_SPEED, CMD_ROAD_SPEED, CMD_TICKER_TEXT,
                                            CMD_USER_LOGOUT};
  EXPECT_EQ(Codes(peer), codes);
  EXPECT_EQ(BodyOf(received[0], 124), LoginBody("member", true));
  EXPECT_EQ(BodyOf(received[12], 124), LoginBody("member", false));

  // The selection upload, byte for byte: two roads, one shortest route, no camera.
  Bytes upload(732, 0);
  kavrel::WriteU32(upload.data(), 120, 2);
  const std::string first = client::ToAnsiLossy("중앙대로"), second = client::ToAnsiLossy("가람대교");
  std::memcpy(upload.data() + 124, first.data(), first.size());
  std::memcpy(upload.data() + 156, second.data(), second.size());
  kavrel::WriteU32(upload.data(), 484, 1);
  kavrel::WriteU32(upload.data(), 492, 317815002);
  kavrel::WriteU32(upload.data(), 496, 28903815);
  // The library adds its own item list (news, three texts, limits) to what the client filled.
  kavrel::WriteU32(upload.data(), 36, 5);
  const std::uint32_t types[] = {1, 32, 33, 34, 64};
  for (std::size_t i = 0; i < 5; ++i) kavrel::WriteU32(upload.data(), 40 + 4 * i, types[i]);
  const Bytes sent = BodyOf(received[2], 732);
  ASSERT_EQ(sent.size(), upload.size());
  for (std::size_t i = 0; i < upload.size(); ++i) EXPECT_EQ(int{sent[i]}, int{upload[i]}) << "offset " << i;
  // The road and route requests carry their names and query.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(received[7].data() + 24)), second);
  Bytes query(12, 0);
  kavrel::WriteU32(query.data(), 4, 317815002);
  kavrel::WriteU32(query.data(), 8, 28903815);
  EXPECT_EQ(BodyOf(received[6], 12), query);
}

}  // namespace
