#include "cctv_tab.h"

#include "kavrel_client_pda_app.h"
#include "row_entry.h"
#include "settings_messages.h"

namespace msg = client::messages;
using Limits = protocol::ServerLimits;

CCTVTab::CCTVTab(CKavrelClientPDAApp& app, QWidget* parent)
    : ItemPage(app, QStringLiteral("CCTV 영상"),
               {{QStringLiteral(" "), 17}, {QString(17, QLatin1Char(' ')) + QStringLiteral("표시 지점"), 200}}, kValid,
               parent) {}

void CCTVTab::CreateRowControls(int row) {
  auto* combo = new RowComboBox(row, RowComboBox::kCctv, RowComboBox::kPointCombo, *this);
  combo->setMaxVisibleItems(kDrop / SettingListCtrl::kRowHeight);
  list_->PlaceControl(row, 1, combo);
  camera_[static_cast<std::size_t>(row)] = combo;
}

void CCTVTab::FillBeforeLoad() {
  for (RowComboBox* combo : camera_) {
    combo->addItems(app_.trafficManager.catalogueNames);
    combo->SelectIndex(-1);
    combo->filled = true;
  }
}

QStringList CCTVTab::StoredEntries() const { return app_.settings.ReadEntries(CSettingsStore::kCameras); }

void CCTVTab::LoadRow(int row, QString rest) { cameraCombo(row).SelectText(client::TakeField(rest)); }

int CCTVTab::StoredSeconds() const { return app_.trafficManager.cameras.seconds; }

int CCTVTab::ListMinutes() const { return static_cast<int>(app_.trafficManager.limits.values[Limits::kCameraMinutes]); }

void CCTVTab::OnRowComboChanged(RowComboBox& combo) {
  if (!initialised_) return;
  if (list_->IsChecked(combo.row) &&
      CheckedDuplicate(combo.row, combo.currentText(), [this](int r) { return cameraCombo(r).currentText(); })) {
    Inform(QString::fromUtf8(msg::kDuplicate));
    combo.SelectText(combo.previousText);
    return;
  }
  SetModified();
}

QString CCTVTab::EntryFields(int row) const {
  const QString text = cameraCombo(row).currentText();
  const CTrafficManager& tm = app_.trafficManager;
  // The id at the first catalogue name equal to the text; an empty text, or one the
  // catalogue does not hold, ends in "-1" without a comma.
  const qsizetype at = text.isEmpty() ? -1 : tm.catalogueNames.indexOf(text);
  if (at < 0 || static_cast<std::size_t>(at) >= tm.catalogueIds.size()) return text + QStringLiteral(",-1");
  return text + QLatin1Char(',') + QString::number(static_cast<std::int32_t>(tm.catalogueIds[static_cast<std::size_t>(at)])) +
         QLatin1Char(',');
}

int CCTVTab::Validate(int row) const {
  const QString text = cameraCombo(row).currentText();
  if (text.isEmpty()) return kNothing;
  if (CheckedDuplicate(row, text, [this](int r) { return cameraCombo(r).currentText(); })) return kDuplicate;
  return kValid;
}

QString CCTVTab::CheckMessage(int code) const { return ApplyMessage(code); }

QString CCTVTab::ApplyMessage(int code) const {
  return QString::fromUtf8(code == kNothing ? msg::kSetItem : msg::kDuplicate);
}

void CCTVTab::SetChangedFlag() { app_.selectionChanged.cameras = true; }

void CCTVTab::Commit(const QStringList& entries, int checkedCount, int seconds, int minutes) {
  CTrafficManager& tm = app_.trafficManager;
  tm.limits.values[Limits::kCameraMinutes] = static_cast<std::uint32_t>(minutes);
  tm.cameras.seconds = seconds;
  tm.ApplyCameraSelection(entries);
  app_.settings.SaveList(CSettingsStore::kCameras, entries, checkedCount, seconds, minutes);
  app_.selectedCameras = checkedCount;
}
