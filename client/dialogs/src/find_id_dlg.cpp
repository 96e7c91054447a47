#include "find_id_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "kavrel/cursor.h"
#include "kavrel/ui/message_box.h"
#include "member_dialog_texts.h"
#include "member_requests.h"
#include "messages.h"
#include "traffic_manager.h"

namespace msg = client::messages;

FindIdDlg::FindIdDlg(CTrafficManager& traffic, QWidget* parent) : QDialog(parent), traffic_(traffic) {
  setWindowTitle(QStringLiteral("사용자 ID 찾기"));
  frontEdit = new QLineEdit;
  frontEdit->setMaxLength(6);
  frontEdit->setObjectName(QStringLiteral("rrnFrontEdit"));
  backEdit = new QLineEdit;
  backEdit->setMaxLength(7);
  backEdit->setObjectName(QStringLiteral("rrnBackEdit"));
  auto* find = new QPushButton(QStringLiteral("찾  기"));
  find->setObjectName(QStringLiteral("findButton"));
  connect(find, &QPushButton::clicked, this, [this] { OnFind(); });

  auto* number = new QHBoxLayout;
  number->addWidget(frontEdit, 6);
  number->addWidget(new QLabel(QStringLiteral("-")));
  number->addWidget(backEdit, 7);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(QStringLiteral("확인"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(QStringLiteral("     가입한 주민번호를 입력하십시요."));
  prompt->setWordWrap(true);
  layout->addWidget(prompt);
  layout->addLayout(number);
  layout->addWidget(find);
  layout->addStretch();
  layout->addWidget(buttons);
  setMaximumSize(240, 320);
  QWidget::setTabOrder(frontEdit, backEdit);
  QWidget::setTabOrder(backEdit, find);
}

void FindIdDlg::OnFind() {
  rrnFront = frontEdit->text();
  rrnBack = backEdit->text();
  const auto inform = [this](const char* text) {
    kavrel::ui::ShowMessageBox(this, QString::fromUtf8(text), QString::fromUtf8(msg::kCaption),
                               kavrel::ui::MessageIcon::Information);
  };
  if (!client::IsValidRegistrationNumber(rrnFront, rrnBack)) {
    inform(msg::kFindEnterNumber);
    return;
  }
  kavrel::SetWaitCursor();
  foundId = traffic_.FindId(rrnFront + rrnBack);
  kavrel::SetArrowCursor();
  if (!foundId.isEmpty()) {
    accept();
    return;
  }
  inform(msg::kFindIdFailed);
}
