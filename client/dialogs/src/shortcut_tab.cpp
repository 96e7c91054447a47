#include "shortcut_tab.h"

#include "kavrel/cursor.h"
#include "kavrel/ui/message_box.h"
#include "kavrel_client_pda_app.h"
#include "location_search_dlg.h"
#include "messages.h"
#include "row_entry.h"
#include "settings_messages.h"

namespace msg = client::messages;
using Limits = protocol::ServerLimits;

namespace {

// Places the edit over the cell's left three quarters and the button over its right
// quarter, as the cell's width falls.
class PointCell : public QWidget {
 public:
  PointCell(PointEdit* edit, SearchButton* button) : edit_(edit), button_(button) {
    edit_->setParent(this);
    button_->setParent(this);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    const int w = width(), h = height();
    edit_->setGeometry(0, 0, w - w / 4, h);
    const int left = (w / 4) * 3;
    button_->setGeometry(left, 0, w - left, h);
  }

 private:
  PointEdit* edit_;
  SearchButton* button_;
};

QString RoleName(int role) { return role == SearchButton::kOrigin ? QStringLiteral("origin") : QStringLiteral("dest"); }

}  // namespace

SearchButton::SearchButton(int row_, int role_, QWidget* parent)
    : QPushButton(QStringLiteral("검색"), parent), role(role_), row(row_) {
  setFocusPolicy(Qt::TabFocus);
  setAutoDefault(false);
  // The caption fills the narrow quarter cell.
  setStyleSheet(QStringLiteral("padding: 0px;"));
}

ShortcutTab::ShortcutTab(CKavrelClientPDAApp& app, QWidget* parent)
    : ItemPage(app, QStringLiteral("빠른길/가까운길"),
               {{QStringLiteral(" "), 17},
                {QStringLiteral("출 발 지"), 110},
                {QStringLiteral("도 착 지"), 110},
                {QStringLiteral("표시정보"), 80}},
               kValid, parent) {}

SearchButton& ShortcutTab::searchButton(int row, int role) const {
  const auto r = static_cast<std::size_t>(row);
  return role == SearchButton::kOrigin ? *originSearch_[r] : *destinationSearch_[r];
}

QWidget* ShortcutTab::MakePointCell(int row, int role) {
  auto* edit = new PointEdit;
  auto* button = new SearchButton(row, role);
  edit->setObjectName(RoleName(role) + QStringLiteral("Edit%1").arg(row));
  button->setObjectName(RoleName(role) + QStringLiteral("Search%1").arg(row));
  connect(edit, &QLineEdit::textChanged, this, [this] {
    if (initialised_) SetModified();
  });
  connect(button, &QPushButton::clicked, this, [this, button] { Search(button->row, button->role); });
  const auto r = static_cast<std::size_t>(row);
  (role == SearchButton::kOrigin ? origin_ : destination_)[r] = edit;
  (role == SearchButton::kOrigin ? originSearch_ : destinationSearch_)[r] = button;
  return new PointCell(edit, button);
}

void ShortcutTab::CreateRowControls(int row) {
  list_->PlaceControl(row, 1, MakePointCell(row, SearchButton::kOrigin));
  list_->PlaceControl(row, 2, MakePointCell(row, SearchButton::kDestination));
  auto* kind = new RowComboBox(row, RowComboBox::kShortcut, RowComboBox::kKindCombo, *this);
  kind->setObjectName(QStringLiteral("kindCombo%1").arg(row));
  kind->addItems({QString::fromUtf8(kFastest), QString::fromUtf8(kShortest)});
  kind->setMaxVisibleItems(kKindDrop / SettingListCtrl::kRowHeight);
  kind->SelectIndex(1);
  list_->PlaceControl(row, 3, kind);
  kind_[static_cast<std::size_t>(row)] = kind;
}

QStringList ShortcutTab::StoredEntries() const { return app_.settings.ReadEntries(CSettingsStore::kRoutes); }

void ShortcutTab::LoadRow(int row, QString rest) {
  QString kind = client::TakeField(rest);
  if (kind.isEmpty()) kind = QString::fromUtf8(kShortest);
  kindCombo(row).SelectText(kind);
  for (PointEdit* edit : {&originEdit(row), &destinationEdit(row)}) {
    edit->setText(client::TakeField(rest));
    const QString id = client::TakeField(rest);
    bool isNumber = false;
    id.toInt(&isNumber);
    edit->pointId = client::AnsiToInt(id);
    edit->idDamaged = !isNumber;
  }
}

int ShortcutTab::StoredSeconds() const { return app_.trafficManager.routes.seconds; }

int ShortcutTab::ListMinutes() const { return static_cast<int>(app_.trafficManager.limits.values[Limits::kRouteMinutes]); }

void ShortcutTab::Search(int row, int role) {
  PointEdit& edit = Edit(row, role);
  const QString text = edit.text();
  if (text.isEmpty()) {
    kavrel::ui::ShowMessageBox(this, QString::fromUtf8(msg::kEnterPoint), QString::fromUtf8(msg::kCaption),
                               kavrel::ui::MessageIcon::None);
    return;
  }
  if (role == SearchButton::kOrigin) kavrel::SetWaitCursor();
  LocationSearchDlg dlg(app_.trafficManager, this);
  dlg.searchText = text;
  dlg.RunModal();
  // Cancel, or a search without a match, empties the point.
  edit.pointId = dlg.chosenId;
  edit.idDamaged = false;
  edit.setText(dlg.chosenName);
}

void ShortcutTab::OnRowComboChanged(RowComboBox& combo) {
  if (!initialised_) return;
  if (list_->IsChecked(combo.row) && IsDuplicate(combo.row)) {
    Inform(QString::fromUtf8(msg::kDuplicate));
    combo.SelectText(combo.previousText);
    return;
  }
  SetModified();
}

bool ShortcutTab::IsDuplicate(int row) const {
  const QString origin = originEdit(row).text(), destination = destinationEdit(row).text();
  const int kind = kindCombo(row).currentIndex();
  return CheckedDuplicate(row, [&](int other) {
    return originEdit(other).text() == origin && destinationEdit(other).text() == destination &&
           kindCombo(other).currentIndex() == kind;
  });
}

QString ShortcutTab::EntryFields(int row) const {
  const PointEdit& origin = originEdit(row);
  const PointEdit& destination = destinationEdit(row);
  return QStringList{kindCombo(row).currentText(), origin.text(), QString::number(origin.pointId), destination.text(),
                     QString::number(destination.pointId), QString()}
      .join(QLatin1Char(','));
}

int ShortcutTab::Validate(int row) const {
  for (const PointEdit* edit : {&originEdit(row), &destinationEdit(row)})
    if (edit->pointId == -1 || edit->idDamaged || edit->text().isEmpty()) return kIncomplete;
  return IsDuplicate(row) ? kDuplicate : kValid;
}

QString ShortcutTab::CheckMessage(int code) const { return ApplyMessage(code); }

QString ShortcutTab::ApplyMessage(int code) const {
  return QString::fromUtf8(code == kIncomplete ? msg::kSetRouteBySearch : msg::kDuplicate);
}

void ShortcutTab::SetChangedFlag() { app_.selectionChanged.routes = true; }

void ShortcutTab::Commit(const QStringList& entries, int checkedCount, int seconds, int minutes) {
  CTrafficManager& tm = app_.trafficManager;
  tm.limits.values[Limits::kRouteMinutes] = static_cast<std::uint32_t>(minutes);
  tm.routes.seconds = seconds;
  tm.ApplyRouteSelection(entries);
  app_.settings.SaveList(CSettingsStore::kRoutes, entries, checkedCount, seconds, minutes);
  app_.selectedRoutes = checkedCount;
}
