#include "refresh_period_block.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "row_entry.h"

RefreshPeriodBlock::RefreshPeriodBlock(QWidget* parent)
    : QGroupBox(QStringLiteral("정보 갱신 주기"), parent), seconds_(new QComboBox(this)), minutes_(new QLabel(this)) {
  seconds_->setEditable(true);
  seconds_->setInsertPolicy(QComboBox::NoInsert);
  seconds_->setCompleter(nullptr);
  seconds_->addItems({QStringLiteral("00"), QStringLiteral("15"), QStringLiteral("30"), QStringLiteral("45"),
                      QStringLiteral("60"), QStringLiteral("90")});
  seconds_->setCurrentIndex(-1);
  seconds_->setMinimumHeight(24);
  minutes_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->setVerticalSpacing(2);
  grid->addWidget(new QLabel(QStringLiteral("최소 정보 갱신 주기+"), this), 0, 0);
  grid->addWidget(seconds_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("초"), this), 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("**최소 정보 갱신 주기 "), this), 1, 0);
  grid->addWidget(minutes_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("분"), this), 1, 2);
  grid->setColumnStretch(1, 1);
  connect(seconds_, &QComboBox::activated, this, [this] {
    if (onChanged) onChanged();
  });
}

void RefreshPeriodBlock::Show(int seconds, int minutes) {
  QString text = QString::number(seconds);
  if (text == QLatin1String("0")) text = QStringLiteral("00");
  const int index = seconds_->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
  seconds_->setCurrentIndex(index);
  if (index < 0) seconds_->setEditText(QString());
  minutesText_ = QString::number(minutes);
  minutes_->setText(minutesText_);
}

int RefreshPeriodBlock::Seconds() const { return client::AnsiToInt(seconds_->currentText()); }

int RefreshPeriodBlock::Minutes() const { return client::AnsiToInt(minutesText_); }
