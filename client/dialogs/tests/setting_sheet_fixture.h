// The settings sheet inside a test: a scratch profile, the fake clock, a message-box
// recorder, and an application that is not started (no frame, no view) but has its
// network library up, so point lists come from the road file.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTableWidget>

#include <memory>

#include "ansi_text.h"
#include "cctv_tab.h"
#include "client_test_support.h"
#include "general_tab.h"
#include "kavrel/clock.h"
#include "kavrel/ui/message_box.h"
#include "kavrel_client_pda_app.h"
#include "newsflash_tab.h"
#include "refresh_period_block.h"
#include "row_combo_box.h"
#include "seoul_traffic_tab.h"
#include "setting_dlg.h"
#include "settings_messages.h"

namespace client::testing {

using kavrel::ui::MessageIcon;

class SettingSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    app.network.ZMNTP_Init();
    app.trafficManager.catalogueNames = {QStringLiteral("시청앞"), QStringLiteral("중앙역"), QStringLiteral("가람대교"),
                                         QStringLiteral("중앙역")};
    app.trafficManager.catalogueIds = {1, 2, 7, 9};
  }
  void TearDown() override {
    dlg.reset();
    app.network.ZMNTP_Destroy();
  }

  // A sheet shown on `page`.
  SettingDlg& Open(int page = SettingDlg::kGeneral) {
    dlg = std::make_unique<SettingDlg>(app);
    dlg->show();
    dlg->ShowPage(page);
    return *dlg;
  }
  SeoulTrafficTab& Roads() { return dlg->seoulTrafficTab(); }
  CCTVTab& Cameras() { return dlg->cctvTab(); }

  // The user checks or clears a row's box.
  static void Check(ItemPage& page, int row, bool on) {
    page.list().item(row, 0)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
  // The user chooses item `index` of a combo from its dropped list.
  static void Pick(RowComboBox& combo, int index) {
    combo.showPopup();
    combo.hidePopup();
    combo.setCurrentIndex(index);
    emit combo.activated(index);
  }
  static void Pick(RowComboBox& combo, const QString& text) { Pick(combo, combo.FindExact(text)); }
  static void Drop(RowComboBox& combo) {
    combo.showPopup();
    combo.hidePopup();
  }

  std::vector<QString> Texts() const { return boxes.texts(); }
  // The boxes shown so far all carried the client's caption and the information icon.
  void ExpectInformationBoxes() const {
    for (const auto& box : boxes.shown()) {
      EXPECT_EQ(box.caption, QStringLiteral("교통정보 티커"));
      EXPECT_EQ(box.icon, MessageIcon::Information);
    }
  }
  static QString Msg(const char* text) { return QString::fromUtf8(text); }

  ScratchProfile profile;
  CSettingsStore store;
  kavrel::FakeClock clock;
  kavrel::ScopedClock scopedClock{clock};
  kavrel::ui::MessageBoxRecorder boxes;
  CKavrelClientPDAApp app;
  std::unique_ptr<SettingDlg> dlg;
};

}  // namespace client::testing
