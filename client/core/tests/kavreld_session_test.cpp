// The client against the reference server: a prepared profile logs in by itself and
// the start sequence brings every selected item to the traffic screen.
#include "kavreld_client_run.h"

namespace {

using View = CKavrelClientPDAView;

class AgainstKavreld : public client::testing::KavreldClientRun {};

TEST_F(AgainstKavreld, PreparedProfileReachesTheTrafficScreenWithEveryItem) {
  StartAtTrafficScreen();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(Fire(View::kNewsTimer));
  EXPECT_TRUE(boxes.shown().empty()) << boxes.texts()[0].toStdString();

  CTrafficManager& tm = traffic();
  ASSERT_EQ(tm.roads.Displayed().size(), 3u);
  for (const auto& road : tm.roads.Displayed()) EXPECT_GT(road->recordCount, 0u) << road->name.toStdString();
  ASSERT_EQ(tm.cameras.Displayed().size(), 2u);
  for (const auto& camera : tm.cameras.Displayed()) EXPECT_TRUE(camera->HasPicture()) << camera->name.toStdString();
  ASSERT_EQ(tm.routes.Displayed().size(), 1u);
  EXPECT_GT(tm.routes.Displayed()[0]->recordCount, 0u);
  EXPECT_NE(tm.routes.Displayed()[0]->LengthText(), "0.000");
  EXPECT_GT(app->newsFlash.text.size(), 20);
  EXPECT_FALSE(tm.relayAddress.isEmpty());
  EXPECT_EQ(tm.CameraIdByName("시청앞"), 1);

  // A refresh of everything against the real server flips every category.
  clock.Advance(10 * 60000);
  ASSERT_TRUE(Fire(View::kRefreshTimer));
  EXPECT_EQ(tm.roads.displayBuffer.load(), 1);
  EXPECT_EQ(tm.cameras.displayBuffer.load(), 1);
  EXPECT_EQ(tm.routes.displayBuffer.load(), 1);
  EXPECT_TRUE(tm.cameras.Displayed()[1]->HasPicture());
  Exit();
  EXPECT_TRUE(boxes.shown().empty());
}

}  // namespace
