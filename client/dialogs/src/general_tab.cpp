#include "general_tab.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "kavrel_client_pda_app.h"

GeneralTab::GeneralTab(CKavrelClientPDAApp& app, QWidget* parent)
    : SettingPage(QStringLiteral("기본 설정"), parent), app_(app), box_(new QCheckBox(QStringLiteral("티커 시작시 자동 로그인"))) {
  auto* group = new QGroupBox(QStringLiteral("실행"), this);
  auto* inner = new QVBoxLayout(group);
  box_->setMinimumHeight(24);
  inner->addWidget(box_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(group);
  layout->addStretch(1);
  connect(box_, &QCheckBox::clicked, this, [this] {
    value_ = !value_;
    applied_ = false;  // the sheet is not told: Apply stays as it is
  });
}

void GeneralTab::OnInitDialog() {
  value_ = app_.autoLogin != 0;
  box_->setChecked(value_);
}

bool GeneralTab::OnApply() {
  if (!applied_) {
    app_.settings.WriteProfileInt(CSettingsStore::kSettings, QStringLiteral("auto_login"), value_ ? 1 : 0);
    applied_ = true;
  }
  return SettingPage::OnApply();
}
