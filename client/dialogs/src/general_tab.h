// The first page: log in automatically when the ticker starts. The choice is stored
// for the next start; the running program keeps its own flag.
#pragma once

#include "setting_page.h"

class CKavrelClientPDAApp;
class QCheckBox;

class GeneralTab : public SettingPage {
 public:
  explicit GeneralTab(CKavrelClientPDAApp& app, QWidget* parent = nullptr);

  bool OnApply() override;
  QCheckBox& autoLoginBox() const { return *box_; }
  bool value() const { return value_; }

 protected:
  void OnInitDialog() override;

 private:
  CKavrelClientPDAApp& app_;
  QCheckBox* box_;
  bool value_ = false;
};
