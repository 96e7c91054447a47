// The news-flash page: the scroller on or off and its extra seconds. Its apply stores
// the news flash and applies it to the screen at once.
#pragma once

#include "setting_page.h"

class CKavrelClientPDAApp;
class QCheckBox;
class RefreshPeriodBlock;

class NewsflashTab : public SettingPage {
 public:
  explicit NewsflashTab(CKavrelClientPDAApp& app, QWidget* parent = nullptr);

  bool OnApply() override;
  QCheckBox& showBox() const { return *box_; }
  RefreshPeriodBlock& refreshBlock() const { return *refresh_; }
  bool showNews() const { return showNews_; }
  int seconds() const { return seconds_; }

 protected:
  void OnInitDialog() override;

 private:
  CKavrelClientPDAApp& app_;
  QCheckBox* box_;
  RefreshPeriodBlock* refresh_;
  bool showNews_ = false;
  int seconds_ = 0;
};
