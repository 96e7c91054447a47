#include "location_search_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "kavrel/cursor.h"
#include "kavrel/ui/message_box.h"
#include "messages.h"
#include "traffic_manager.h"

namespace {

constexpr int kWidth = 200;  // within the handheld's 240-pixel screen
constexpr int kDropItems = 8;

}  // namespace

LocationSearchDlg::LocationSearchDlg(CTrafficManager& traffic, QWidget* parent)
    : QDialog(parent), traffic_(traffic), combo_(new QComboBox(this)) {
  setObjectName(QStringLiteral("locationSearchDlg"));
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFixedWidth(kWidth);
  combo_->setObjectName(QStringLiteral("placeCombo"));
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  combo_->setCompleter(nullptr);  // typed text stays as typed
  combo_->setMaxVisibleItems(kDropItems);
  // The prompt's line break is the platform's CR LF.
  auto* prompt = new QLabel(QString::fromUtf8(kPrompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("확인"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(prompt);
  layout->addWidget(combo_);
  layout->addWidget(buttons);
}

bool LocationSearchDlg::Initialise() {
  const CTrafficManager::Search outcome = traffic_.SearchPoints(searchText, names, ids);
  const bool found = !names.isEmpty();
  if (found) {
    // Shown sorted, as the platform's sorted combo does; the ids stay in server order.
    QStringList shown = names;
    std::stable_sort(shown.begin(), shown.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    combo_->addItems(shown);
    combo_->setCurrentIndex(0);
  } else if (outcome != CTrafficManager::Search::Refused) {  // a refused text was already told
    kavrel::ui::ShowMessageBox(parentWidget(), QString::fromUtf8(kNoResult), QString::fromUtf8(client::messages::kCaption),
                               kavrel::ui::MessageIcon::Information);
  }
  kavrel::SetArrowCursor();
  return found;
}

int LocationSearchDlg::RunModal() {
  if (!Initialise()) {
    setResult(QDialog::Rejected);
    return QDialog::Rejected;
  }
  return exec();
}

void LocationSearchDlg::accept() {
  chosenName = combo_->currentText();
  if (!chosenName.isEmpty()) {
    const qsizetype at = names.indexOf(chosenName);  // the first in server order
    if (at >= 0 && static_cast<std::size_t>(at) < ids.size()) chosenId = static_cast<std::int32_t>(ids[static_cast<std::size_t>(at)]);
  }
  names.clear();
  ids.clear();
  QDialog::accept();
}
