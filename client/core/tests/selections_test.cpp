// Selections from the profile and from the settings pages, and the video session's
// requests, without the start sequence.
#include <QDialog>

#include "client_test_support.h"
#include "kavrel/clock.h"
#include "kavrel/ui/message_box.h"
#include "kavrel_client_pda_app.h"
#include "messages.h"
#include "scripted_peer.h"

namespace {

using kavrel::ui::MessageAnswer;

class Selections : public ::testing::Test {
 protected:
  client::testing::ScratchProfile profile;
  CSettingsStore store;
  kavrel::FakeClock clock;
  kavrel::ScopedClock scopedClock{clock};
  kavrel::ui::MessageBoxRecorder boxes;
  CKavrelClientPDAApp app;  // not started: no frame, no view
  CTrafficManager& tm = app.trafficManager;

  void Rows(const char* section, int num, const QStringList& rows) { store.SaveList(section, rows, num, 0, 5); }
};

TEST_F(Selections, TheServerMaximumStopsTheListOnlyWhenNumExceedsIt) {
  auto trues = [](int n, const char* text) {
    QStringList rows;
    for (int i = 0; i < n; ++i) rows << QStringLiteral("true,대 로,%1%2,1,").arg(QString::fromUtf8(text)).arg(i);
    return rows;
  };
  struct Case {
    int num;
    std::uint32_t maximum;
    QStringList rows;
    std::size_t loaded;
  } cases[] = {
      {12, 10, trues(10, "길"), 10},
      {12, 2, trues(3, "길"), 2},
      {3, 10, trues(5, "길"), 5},  // num is no limit of its own
      {3, 2, trues(5, "길"), 2},
      {1, 10, QStringList{"false,대 로,숨김,1,", "", "true,다 리,가람대교,2,", "true,터 널"}, 2},
      {0, 10, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.num);
    Rows(CSettingsStore::kRoads, c.num, c.rows + QStringList(10 - c.rows.size(), QString()));
    tm.limits.values[protocol::ServerLimits::kMostRoads] = c.maximum;
    tm.LoadSelections();
    ASSERT_EQ(tm.roads.First().size(), c.loaded);
    EXPECT_EQ(tm.roads.categoryEnabled.load(), c.loaded > 0);
  }
  // The last case's items: "false" skipped, kinds by their text.
  Rows(CSettingsStore::kRoads, 1, {"false,대 로,숨김,1,", "true,다 리,가람대교,2,", "true,터 널"});
  tm.LoadSelections();
  ASSERT_EQ(tm.roads.First().size(), 2u);
  EXPECT_EQ(tm.roads.First()[0]->kind, 2);
  EXPECT_EQ(tm.roads.First()[0]->name, "가람대교");
  EXPECT_EQ(tm.roads.First()[1]->kind, 3);
  EXPECT_EQ(tm.roads.First()[1]->name, "");
}

TEST_F(Selections, RoutesAndCamerasFromTheProfileAndFromThePages) {
  Rows(CSettingsStore::kRoutes, 3,
       {"true,가까운길,시청앞,11,중앙역,22,", "true,빠른길,가,1,나,2,", "true,,다,3,라,4,"});
  store.SaveList(CSettingsStore::kCameras, {"true,시청앞,17,", "true,없는곳,-1"}, 2, 30, 7);
  tm.LoadSelections();
  ASSERT_EQ(tm.routes.First().size(), 3u);
  EXPECT_EQ(tm.routes.First()[0]->kind, 0);
  EXPECT_EQ(tm.routes.First()[0]->originId, 11u);
  EXPECT_EQ(tm.routes.First()[0]->destinationName, "중앙역");
  EXPECT_EQ(tm.routes.First()[1]->kind, 1);
  EXPECT_EQ(tm.routes.First()[2]->kind, 1);  // an empty kind is fastest here
  EXPECT_EQ(tm.routes.First()[2]->position, 2);
  ASSERT_EQ(tm.cameras.First().size(), 2u);
  EXPECT_EQ(tm.cameras.First()[0]->cameraId, 17u);
  EXPECT_EQ(tm.cameras.First()[1]->cameraId, 0xFFFFFFFFu);
  EXPECT_EQ(tm.cameras.seconds, 30);

  // A page's ten rows rebuild the buffer that is not shown; an empty kind is shortest
  // there, and the server maximum stops the walk.
  tm.limits.values[protocol::ServerLimits::kMostRoutes] = 2;
  tm.ApplyRouteSelection({"false,빠른길,a,1,b,2,", "true,,c,3,d,4,", "true,빠른길,e,5,f,6,", "true,빠른길,g,7,h,8,"});
  EXPECT_EQ(tm.routes.First().size(), 3u);  // the shown buffer stays
  ASSERT_EQ(tm.routes.Undisplayed().size(), 2u);
  EXPECT_EQ(tm.routes.Undisplayed()[0]->kind, 0);
  EXPECT_EQ(tm.routes.Undisplayed()[1]->originName, "e");
  tm.ApplyCameraSelection(QStringList(10, QString()));
  EXPECT_TRUE(tm.cameras.Undisplayed().empty());
  EXPECT_FALSE(tm.cameras.categoryEnabled.load());
}

TEST_F(Selections, VideoStartNeedsARelayAndTheQuestionClosesTheViewerOnCancel) {
  const std::string address = zmntp::testing::TestAddress();
  app.serverAddress = QString::fromStdString(address);
  // The relay's address comes back empty: no video request goes out.
  zmntp::testing::ScriptedPeer peer(address, {{24, zmntp::testing::Framed(zmntp::testing::Bytes(80, 0))}});
  EXPECT_FALSE(tm.StartVideo(3, 0));
  peer.Finish();
  EXPECT_EQ(peer.Connections(), 1);
  EXPECT_FALSE(tm.videoActive);

  // Time is up: the question; Cancel closes the viewer.
  QDialog viewer;
  viewer.show();
  boxes.Script({MessageAnswer::Cancel});
  QWidget owner;
  tm.StopVideo(3, &owner, &viewer, true);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, QString::fromUtf8(client::messages::kMoreVideo));
  EXPECT_EQ(boxes.shown()[0].caption, "교통정보센터 티커");
  EXPECT_EQ(boxes.shown()[0].owner, &owner);
  EXPECT_EQ(boxes.shown()[0].buttons, kavrel::ui::MessageButtons::OkCancel);
  ASSERT_TRUE(client::testing::ProcessUntil([&] { return !viewer.isVisible(); }));
}

}  // namespace
