// The settings sheet in a running client against kavreld: a road taken off the list
// leaves the traffic screen when the sheet closes, and the roads that stay are fetched
// again from the server.
#include <QTableWidget>

#include "kavreld_client_run.h"
#include "seoul_traffic_tab.h"
#include "setting_dlg.h"

namespace {

class SheetAgainstKavreld : public client::testing::KavreldClientRun {};

TEST_F(SheetAgainstKavreld, ARoadTakenOffLeavesTheScreenAndTheRestAreFetchedAgain) {
  StartAtTrafficScreen();
  if (HasFatalFailure()) return;
  CTrafficManager& tm = traffic();
  ASSERT_EQ(tm.roads.Displayed().size(), 3u);
  const int shownBefore = tm.roads.displayBuffer.load();

  app->flags.dialogOpen.store(true);  // as the menu entry sets it
  {
    SettingDlg sheet(*app, nullptr);
    sheet.show();
    sheet.ShowPage(SettingDlg::kSeoulTraffic);
    sheet.seoulTrafficTab().list().item(2, 0)->setCheckState(Qt::Unchecked);  // 산복터널
    sheet.OnOK();
    ASSERT_FALSE(sheet.isVisible());
  }
  EXPECT_FALSE(app->flags.dialogOpen.load());
  EXPECT_NE(tm.roads.displayBuffer.load(), shownBefore);
  ASSERT_EQ(tm.roads.Displayed().size(), 2u);
  EXPECT_EQ(tm.roads.Displayed()[0]->name, "중앙대로");
  EXPECT_EQ(tm.roads.Displayed()[1]->name, "가람대교");
  for (const auto& road : tm.roads.Displayed()) EXPECT_GT(road->recordCount, 0u) << road->name.toStdString();
  EXPECT_EQ(tm.cameras.Displayed().size(), 2u);  // untouched
  EXPECT_TRUE(boxes.shown().empty()) << boxes.texts()[0].toStdString();
  Exit();
}

}  // namespace
