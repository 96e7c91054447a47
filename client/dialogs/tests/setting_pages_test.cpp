// The item pages' rows: loading stored entries (damaged ones too), the check rule,
// the duplicate rule, typed text, the refresh block and the stored texts after OK.
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

#include "setting_sheet_fixture.h"

namespace {

using client::testing::SettingSheet;
namespace msg = client::messages;

class SettingPages : public SettingSheet {
 protected:
  // A tap on the check box of `row`, where the list's style draws it.
  static void Tap(SettingListCtrl& list, int row) {
    list.scrollToItem(list.item(row, 0));
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.rect = list.visualItemRect(list.item(row, 0));
    option.features = QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
  }
};

TEST_F(SettingPages, CameraRowsLoadAsFarAsTheirFieldsGoAndStoreTheirTexts) {
  store.SaveList(CSettingsStore::kCameras,
                 {"true,중앙역,2,", "false,없는곳,5,", "true,사라진곳", "true", "", "false,가람대교,x,y,z,", "true,시청앞,abc,"},
                 4, 15, 5);
  app.trafficManager.cameras.seconds = 15;
  Open(SettingDlg::kCctv);
  struct Row {
    bool checked;
    const char* text;
  } rows[] = {{true, "중앙역"}, {false, ""}, {true, ""}, {true, ""}, {false, "가람대교"}, {true, "시청앞"},
              {false, ""},     {false, ""}, {false, ""}, {false, ""}};
  for (int r = 0; r < 10; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(Cameras().list().IsChecked(r), rows[r].checked);
    EXPECT_EQ(Cameras().cameraCombo(r).currentText(), QString::fromUtf8(rows[r].text));
  }
  EXPECT_EQ(Cameras().refreshBlock().secondsCombo()->currentText(), "15");
  EXPECT_TRUE(Cameras().applied());
  EXPECT_TRUE(boxes.shown().empty());

  // OK: the checked rows without a camera are reported, the first one only.
  Check(Cameras(), 9, false);  // no change: nothing reported
  Pick(Cameras().cameraCombo(8), "시청앞");
  EXPECT_FALSE(Cameras().applied());
  dlg->OnOK();
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(msg::kSetItem)});
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->tabs().currentIndex(), SettingDlg::kCctv);
  EXPECT_EQ(store.GetProfileString(CSettingsStore::kCameras, "2"), "false,없는곳,5,");  // nothing stored
  EXPECT_TRUE(app.selectionChanged.cameras);
  EXPECT_EQ(Cameras().rowError(), CCTVTab::kValid);

  // Clearing the two empty rows makes the page valid.
  Check(Cameras(), 2, false);
  Check(Cameras(), 3, false);
  dlg->OnOK();
  EXPECT_EQ(boxes.shown().size(), 1u);
  EXPECT_FALSE(dlg->isVisible());
  const QStringList stored = store.ReadEntries(CSettingsStore::kCameras);
  EXPECT_EQ(stored, (QStringList{"true,중앙역,2,", "false,,-1", "false,,-1", "false,,-1", "false,가람대교,7,",
                                 "true,시청앞,1,", "false,,-1", "false,,-1", "false,시청앞,1,", "false,,-1"}));
  EXPECT_EQ(store.ReadNum(CSettingsStore::kCameras), 2);
  EXPECT_EQ(Cameras().checkedCount(), 2);
  EXPECT_EQ(app.selectedCameras, 2);
  EXPECT_EQ(store.GetProfileString(CSettingsStore::kCameras, "update"), "15,5,");
  ASSERT_EQ(app.trafficManager.cameras.Undisplayed().size(), 2u);
  EXPECT_EQ(app.trafficManager.cameras.Undisplayed()[1]->cameraId, 1u);
  ExpectInformationBoxes();
}

TEST_F(SettingPages, CheckingAndChoosingRefuseEmptyRowsAndDuplicates) {
  store.SaveList(CSettingsStore::kCameras,
                 {"false,,-1", "false,,-1", "false,,-1", "true,중앙역,2,", "false,,-1", "false,,-1", "false,,-1",
                  "true,시청앞,1,"},
                 2, 0, 5);
  Open(SettingDlg::kCctv);
  CCTVTab& page = Cameras();

  // An empty row cannot be checked (a stylus tap on its box).
  Tap(page.list(), 0);
  EXPECT_FALSE(page.list().IsChecked(0));
  EXPECT_EQ(page.list().item(0, 0)->checkState(), Qt::Unchecked);
  EXPECT_TRUE(page.applied());

  // Rows 3 and 7 made equal by changing checked row 7: refused, "시청앞" back.
  Pick(page.cameraCombo(7), "중앙역");
  EXPECT_EQ(page.cameraCombo(7).currentText(), "시청앞");
  EXPECT_EQ(page.cameraCombo(7).selIndex, 0);
  EXPECT_TRUE(page.applied());
  // An unchecked row may name what a checked one names, but not be checked then.
  Pick(page.cameraCombo(5), "중앙역");
  EXPECT_FALSE(page.applied());
  Check(page, 5, true);
  EXPECT_FALSE(page.list().IsChecked(5));
  // The catalogue's second "중앙역" has the same text: the same camera to the check.
  Pick(page.cameraCombo(5), 3);
  Check(page, 5, true);
  EXPECT_FALSE(page.list().IsChecked(5));
  // Another camera is fine.
  Pick(page.cameraCombo(5), "가람대교");
  Tap(page.list(), 5);
  EXPECT_TRUE(page.list().IsChecked(5));
  EXPECT_EQ(page.list().item(5, 0)->checkState(), Qt::Checked);
  EXPECT_EQ(Texts(), (std::vector<QString>{Msg(msg::kSetItem), Msg(msg::kDuplicate), Msg(msg::kDuplicate),
                                           Msg(msg::kDuplicate)}));
  ExpectInformationBoxes();

  // Typed text never stays: the edit field shows the last chosen item again.
  QTest::keyClicks(page.cameraCombo(5).lineEdit(), "xyz");
  EXPECT_EQ(page.cameraCombo(5).currentText(), "가람대교");
  QTest::keyClicks(page.cameraCombo(1).lineEdit(), "q");
  EXPECT_EQ(page.cameraCombo(1).currentText(), "");
}

TEST_F(SettingPages, RoadRowsFetchTheirPointListOnTheFirstDrop) {
  store.SaveList(CSettingsStore::kRoads, {"true,대 로,중앙대로,0,", "false,다 리,없는다리,1,", "true,터널?,산복터널,9,"}, 2, 0,
                 5);
  Open(SettingDlg::kSeoulTraffic);
  SeoulTrafficTab& page = Roads();
  RowComboBox& point = page.pointCombo(0);
  EXPECT_EQ(page.categoryCombo(0).currentText(), "대 로");
  EXPECT_EQ(point.currentText(), "중앙대로");
  EXPECT_EQ(point.count(), 1);  // no list asked for yet
  EXPECT_FALSE(point.filled);
  // A category that no item has leaves the row's "대 로".
  EXPECT_EQ(page.categoryCombo(2).currentText(), "대 로");
  EXPECT_EQ(page.pointCombo(2).listType, 9);

  Drop(point);
  EXPECT_TRUE(point.filled);
  EXPECT_EQ(point.count(), 32);  // the road file's roads
  EXPECT_EQ(point.itemText(0), "중앙대로");
  EXPECT_EQ(point.currentText(), "중앙대로");
  EXPECT_EQ(point.selIndex, 0);
  EXPECT_EQ(page.savedText(), "중앙대로");
  Drop(point);  // filled: no second fill
  EXPECT_EQ(point.count(), 32);

  // "대 로" to "터 널" with the row checked: OK names the tunnel.
  Pick(page.categoryCombo(0), "터 널");
  EXPECT_TRUE(point.resetNeeded);
  EXPECT_FALSE(point.filled);
  EXPECT_EQ(point.currentText(), "중앙대로");
  dlg->OnOK();
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(msg::kNotTunnel)});
  EXPECT_EQ(page.rowError(), SeoulTrafficTab::kValid);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_TRUE(store.GetProfileString(CSettingsStore::kRoads, "2") == "false,다 리,없는다리,1,");
  // The next drop loads the tunnel list; a tunnel makes the row valid again.
  Drop(point);
  EXPECT_EQ(point.count(), 6);
  EXPECT_EQ(point.listType, 2);
  EXPECT_EQ(point.currentText(), "");  // "중앙대로" is no tunnel
  Pick(point, "구룡터널");
  // Row 2: "대 로" with list type 9 fails as not a road until its list is dropped.
  dlg->OnOK();
  EXPECT_EQ(Texts().back(), Msg(msg::kNotRoad));
  Drop(page.pointCombo(2));
  EXPECT_EQ(page.pointCombo(2).currentText(), "");  // 산복터널 is no road
  Pick(page.pointCombo(2), "시청로");
  dlg->OnOK();
  EXPECT_EQ(boxes.shown().size(), 2u);
  EXPECT_FALSE(dlg->isVisible());
  QStringList expected{"true,터 널,구룡터널,2,", "false,다 리,없는다리,1,", "true,대 로,시청로,0,"};
  for (int i = 3; i < 10; ++i) expected << "false,대 로,,0,";
  EXPECT_EQ(store.ReadEntries(CSettingsStore::kRoads), expected);
  EXPECT_EQ(store.ReadNum(CSettingsStore::kRoads), 2);
  EXPECT_EQ(app.selectedRoads, 2);
  ASSERT_EQ(app.trafficManager.roads.Undisplayed().size(), 2u);
  EXPECT_EQ(app.trafficManager.roads.Undisplayed()[0]->kind, 3);
  ExpectInformationBoxes();
}

TEST_F(SettingPages, RoadRowChecksGiveTheirCodesMessages) {
  store.SaveList(CSettingsStore::kRoads,
                 {"true,대 로,,0,", "false,다 리,가람대교,1,", "false,대 로,가람대교,1,", "true,다 리,가람대교,1,",
                  "false,다 리,새벽대교,0,"},
                 2, 0, 5);
  Open(SettingDlg::kSeoulTraffic);
  SeoulTrafficTab& page = Roads();
  struct Case {
    int row;
    const char* message;  // nullptr: the check stays
  } cases[] = {
      {5, msg::kSetItem},      // no point
      {1, msg::kDuplicate},    // row 3 names it
      {2, msg::kDuplicate},    // the duplicate comes before the category
      {4, msg::kNotBridge},    // a road's list, the category says bridge
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    boxes.Clear();
    Check(page, c.row, true);
    EXPECT_FALSE(page.list().IsChecked(c.row));
    EXPECT_EQ(Texts(), std::vector<QString>{Msg(c.message)});
  }
  EXPECT_TRUE(page.applied());
  ExpectInformationBoxes();

  // A checked row with no point (checked before it was cleared) fails OK with the
  // page's own text; the state is valid again after the message.
  boxes.Clear();
  Check(page, 3, false);
  dlg->OnOK();
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(msg::kSetRoadPoint)});
  EXPECT_EQ(page.rowError(), SeoulTrafficTab::kValid);
  EXPECT_EQ(store.ReadNum(CSettingsStore::kRoads), 2);

  // A checked point changed to another checked row's point: refused, restored.
  Check(page, 0, false);
  Check(page, 3, true);
  Drop(page.pointCombo(4));
  EXPECT_EQ(page.pointCombo(4).listType, 1);
  EXPECT_EQ(page.pointCombo(4).currentText(), "새벽대교");
  Check(page, 4, true);
  ASSERT_TRUE(page.list().IsChecked(4));
  boxes.Clear();
  Pick(page.pointCombo(4), "가람대교");
  EXPECT_EQ(Texts(), std::vector<QString>{Msg(msg::kDuplicate)});
  EXPECT_EQ(page.pointCombo(4).currentText(), "새벽대교");
  EXPECT_EQ(page.pointCombo(4).selIndex, page.pointCombo(4).FindExact("새벽대교"));
}

TEST_F(SettingPages, TheRefreshBlockShowsOnlyItsItemsAndStoresWhatTheFieldHolds) {
  struct Case {
    int seconds;
    const char* shown;
    const char* typed;  // into the field before OK (nullptr: nothing)
    const char* stored;
  } cases[] = {
      {0, "00", nullptr, "0,5,"},
      {20, "", nullptr, "0,5,"},
      {90, "90", nullptr, "90,5,"},
      {15, "15", "25", "25,5,"},
      {15, "15", "x", "0,5,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    app.trafficManager.cameras.seconds = c.seconds;
    Open(SettingDlg::kCctv);
    QComboBox& seconds = *Cameras().refreshBlock().secondsCombo();
    EXPECT_EQ(seconds.currentText(), QString::fromUtf8(c.shown));
    EXPECT_EQ(Cameras().minutesText(), "5");
    if (c.typed) seconds.setEditText(QString::fromUtf8(c.typed));
    Pick(Cameras().cameraCombo(0), "중앙역");  // any change
    dlg->OnOK();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(store.GetProfileString(CSettingsStore::kCameras, "update"), QString::fromUtf8(c.stored));
    dlg.reset();
  }
  // A seconds item chosen marks the page modified.
  Open(SettingDlg::kCctv);
  QComboBox& seconds = *Cameras().refreshBlock().secondsCombo();
  seconds.setCurrentIndex(3);
  emit seconds.activated(3);
  EXPECT_FALSE(Cameras().applied());
  EXPECT_TRUE(dlg->applyButton().isEnabled());
  EXPECT_TRUE(boxes.shown().empty());
}

}  // namespace
