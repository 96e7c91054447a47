#include "seoul_traffic_tab.h"

#include "kavrel_client_pda_app.h"
#include "refresh_period_block.h"
#include "row_entry.h"
#include "settings_messages.h"

namespace msg = client::messages;
using Limits = protocol::ServerLimits;

namespace {

const QString kRoad = QStringLiteral("대 로");
const QString kBridge = QStringLiteral("다 리");
const QString kTunnel = QStringLiteral("터 널");

}  // namespace

SeoulTrafficTab::SeoulTrafficTab(CKavrelClientPDAApp& app, QWidget* parent)
    : ItemPage(app, QStringLiteral("대로/다리/터널"),
               {{QStringLiteral(" "), 17}, {QStringLiteral("표시정보"), 60}, {QStringLiteral("       표시 지점"), 148}},
               kValid, parent) {}

void SeoulTrafficTab::CreateRowControls(int row) {
  auto* category = new RowComboBox(row, RowComboBox::kSeoulTraffic, RowComboBox::kCategoryCombo, *this);
  category->addItems({kRoad, kBridge, kTunnel});
  category->SelectIndex(0);
  category->setMaxVisibleItems(3);
  auto* point = new RowComboBox(row, RowComboBox::kSeoulTraffic, RowComboBox::kPointCombo, *this);
  point->setMaxVisibleItems(kPointDrop / SettingListCtrl::kRowHeight);
  list_->PlaceControl(row, 1, category);
  list_->PlaceControl(row, 2, point);
  category_[static_cast<std::size_t>(row)] = category;
  point_[static_cast<std::size_t>(row)] = point;
}

QStringList SeoulTrafficTab::StoredEntries() const { return app_.settings.ReadEntries(CSettingsStore::kRoads); }

void SeoulTrafficTab::LoadRow(int row, QString rest) {
  RowComboBox& category = categoryCombo(row);
  RowComboBox& point = pointCombo(row);
  // A category no item has keeps the row's "대 로"; the check reports the row.
  const int at = category.FindExact(client::TakeField(rest));
  if (at >= 0) category.SelectIndex(at);
  point.clear();
  point.addItem(client::TakeField(rest));
  point.SelectIndex(0);
  point.listType = client::AnsiToInt(client::TakeField(rest));
}

int SeoulTrafficTab::StoredSeconds() const { return app_.trafficManager.roads.seconds; }

int SeoulTrafficTab::ListMinutes() const { return static_cast<int>(app_.trafficManager.limits.values[Limits::kRoadMinutes]); }

void SeoulTrafficTab::OnRowComboDropDown(RowComboBox& combo) {
  if (combo.role == RowComboBox::kCategoryCombo) {
    savedText_ = combo.currentText();
    return;
  }
  // The edit field keeps its text while the items go.
  savedText_ = combo.currentText();
  if (combo.resetNeeded) {
    combo.clear();
  } else if (combo.count() > 0) {
    combo.removeItem(0);  // the item the stored entry put there
  }
  combo.resetNeeded = false;
  const QString category = categoryCombo(combo.row).currentText();
  int kind = 3;
  combo.listType = 2;
  if (category == kRoad) {
    kind = 1;
    combo.listType = 0;
  } else if (category == kBridge) {
    kind = 2;
    combo.listType = 1;
  }
  // A failed fetch leaves the list empty.
  QStringList names;
  app_.trafficManager.FetchPointList(kind, names);
  combo.addItems(names);
  combo.filled = true;
  combo.SelectText(savedText_);
}

void SeoulTrafficTab::OnRowComboChanged(RowComboBox& combo) {
  if (!initialised_) return;
  const QString now = combo.currentText();
  if (now == savedText_) return;
  if (combo.role == RowComboBox::kCategoryCombo) {
    RowComboBox& point = pointCombo(combo.row);
    point.filled = false;
    point.resetNeeded = true;
    SetModified();
    return;
  }
  if (list_->IsChecked(combo.row) &&
      CheckedDuplicate(combo.row, now, [this](int r) { return pointCombo(r).currentText(); })) {
    Inform(QString::fromUtf8(msg::kDuplicate));
    combo.SelectText(combo.previousText);
    return;
  }
  SetModified();
}

QString SeoulTrafficTab::EntryFields(int row) const {
  return categoryCombo(row).currentText() + QLatin1Char(',') + pointCombo(row).currentText() + QLatin1Char(',') +
         QString::number(pointCombo(row).listType) + QLatin1Char(',');
}

int SeoulTrafficTab::Validate(int row) const {
  const QString point = pointCombo(row).currentText();
  if (point.isEmpty()) return kNoPoint;
  if (CheckedDuplicate(row, point, [this](int r) { return pointCombo(r).currentText(); })) return kDuplicate;
  const int category = categoryCombo(row).currentIndex();
  if (category == pointCombo(row).listType) return kValid;
  return category;
}

QString SeoulTrafficTab::CheckMessage(int code) const {
  return code == kNoPoint ? QString::fromUtf8(msg::kSetItem) : ApplyMessage(code);
}

QString SeoulTrafficTab::ApplyMessage(int code) const {
  switch (code) {
    case kNoPoint: return QString::fromUtf8(msg::kSetRoadPoint);
    case kNotRoad: return QString::fromUtf8(msg::kNotRoad);
    case kNotBridge: return QString::fromUtf8(msg::kNotBridge);
    case kNotTunnel: return QString::fromUtf8(msg::kNotTunnel);
    default: return QString::fromUtf8(msg::kDuplicate);
  }
}

void SeoulTrafficTab::SetChangedFlag() { app_.selectionChanged.roads = true; }

void SeoulTrafficTab::Commit(const QStringList& entries, int checkedCount, int seconds, int minutes) {
  CTrafficManager& tm = app_.trafficManager;
  tm.limits.values[Limits::kRoadMinutes] = static_cast<std::uint32_t>(minutes);
  tm.roads.seconds = seconds;
  tm.ApplyRoadSelection(entries);
  app_.settings.SaveList(CSettingsStore::kRoads, entries, checkedCount, seconds, minutes);
  app_.selectedRoads = checkedCount;
}
