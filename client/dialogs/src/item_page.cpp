#include "item_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "kavrel/cursor.h"
#include "kavrel/ui/message_box.h"
#include "messages.h"
#include "refresh_period_block.h"
#include "row_entry.h"

ItemPage::ItemPage(CKavrelClientPDAApp& app, QString caption, const SettingListCtrl::Columns& columns, int validCode,
                   QWidget* parent)
    : SettingPage(std::move(caption), parent),
      app_(app),
      list_(new SettingListCtrl(columns, this)),
      refresh_(new RefreshPeriodBlock(this)),
      rowError_(validCode),
      validCode_(validCode) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addWidget(new QLabel(QStringLiteral("표시지점"), this));
  layout->addWidget(list_, 1);
  layout->addWidget(refresh_);
  list_->onCheckChanged = [this](int row, bool checked) { OnCheckChanged(row, checked); };
  refresh_->onChanged = [this] {
    if (initialised_) SetModified();
  };
}

const QString& ItemPage::minutesText() const { return refresh_->minutesText(); }

void ItemPage::OnInitDialog() {
  kavrel::SetWaitCursor();
  for (int r = 0; r < SettingListCtrl::kRows; ++r) CreateRowControls(r);
  FillBeforeLoad();
  // A damaged profile may hold more than ten entries or entries short of fields:
  // ten at most are used, and missing fields read as empty.
  const QStringList entries = StoredEntries();
  for (int i = 0; i < entries.size() && i < SettingListCtrl::kRows; ++i) {
    QString rest = entries[i];
    const QString check = client::TakeField(rest);
    list_->SetChecked(i, check == QLatin1String("true"));
    LoadRow(i, rest.trimmed());
  }
  refresh_->Show(StoredSeconds(), ListMinutes());
  kavrel::SetArrowCursor();
}

void ItemPage::OnCheckChanged(int row, bool checked) {
  if (!initialised_) return;
  if (checked) {
    const int code = Validate(row);
    if (code != validCode_) {
      Inform(CheckMessage(code));
      list_->SetChecked(row, false);
      return;
    }
  }
  SetModified();
}

bool ItemPage::CheckedDuplicate(int row, const QString& text, const std::function<QString(int)>& textOf) const {
  return CheckedDuplicate(row, [&](int other) { return textOf(other) == text; });
}

bool ItemPage::CheckedDuplicate(int row, const std::function<bool(int other)>& same) const {
  for (int r = 0; r < SettingListCtrl::kRows; ++r) {
    if (r == row || !list_->IsChecked(r)) continue;
    if (same(r)) return true;
  }
  return false;
}

void ItemPage::Inform(const QString& text) {
  kavrel::ui::ShowMessageBox(this, text, QString::fromUtf8(client::messages::kCaption),
                             kavrel::ui::MessageIcon::Information);
}

bool ItemPage::OnApply() {
  if (applied_) return SettingPage::OnApply();
  // Set first: a failed apply followed by Cancel still refreshes this list.
  SetChangedFlag();
  checkedCount_ = 0;
  QStringList entries;
  for (int r = 0; r < SettingListCtrl::kRows; ++r) {
    const bool checked = list_->IsChecked(r);
    const QString entry = QLatin1String(checked ? "true," : "false,") + EntryFields(r);
    if (checked) {
      ++checkedCount_;
      rowError_ = Validate(r);
    }
    if (rowError_ != validCode_) {
      const int code = rowError_;
      rowError_ = validCode_;
      Inform(ApplyMessage(code));
      if (!KeepsInvalidRows()) return false;
    }
    entries << entry;
  }
  Commit(entries, checkedCount_, refresh_->Seconds(), refresh_->Minutes());
  committed_ = true;
  applied_ = true;
  return SettingPage::OnApply();
}
