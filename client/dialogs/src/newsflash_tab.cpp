#include "newsflash_tab.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "kavrel_client_pda_app.h"
#include "refresh_period_block.h"

NewsflashTab::NewsflashTab(CKavrelClientPDAApp& app, QWidget* parent)
    : SettingPage(QStringLiteral("속보창"), parent),
      app_(app),
      box_(new QCheckBox(QStringLiteral("교통 속보 보기"), this)),
      refresh_(new RefreshPeriodBlock(this)) {
  box_->setMinimumHeight(24);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(box_);
  layout->addWidget(refresh_);
  layout->addStretch(1);
  connect(box_, &QCheckBox::clicked, this, [this] {
    showNews_ = !showNews_;
    // The show value the store writes changes at once; the screen follows on apply.
    app_.newsFlash.show = showNews_ ? 1 : 0;
    SetModified();
  });
  refresh_->onChanged = [this] {
    if (initialised_) SetModified();
  };
}

void NewsflashTab::OnInitDialog() {
  const CNewsFlash& news = app_.newsFlash;
  refresh_->Show(news.seconds, news.minutes);
  showNews_ = news.show != 0;
  box_->setChecked(showNews_);
  seconds_ = news.seconds;
}

bool NewsflashTab::OnApply() {
  if (!applied_) {
    seconds_ = refresh_->Seconds();
    app_.newsFlash.show = showNews_ ? 1 : 0;
    app_.newsFlash.seconds = seconds_;
    app_.settings.SaveNewsFlash(app_.newsFlash);
    app_.trafficManager.FetchCategory(CTrafficManager::kNews, false);
    applied_ = true;
  }
  return SettingPage::OnApply();
}
