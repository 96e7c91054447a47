#include "join_dlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "kavrel/cursor.h"
#include "kavrel/ui/message_box.h"
#include "member_dialog_texts.h"
#include "member_requests.h"
#include "messages.h"
#include "traffic_manager.h"

namespace msg = client::messages;

namespace {

void Inform(QWidget* owner, const char* text) {
  kavrel::ui::ShowMessageBox(owner, QString::fromUtf8(text), QString::fromUtf8(msg::kCaption),
                             kavrel::ui::MessageIcon::Information);
}

QLineEdit* Edit(int maxLength, const char* objectName) {
  auto* e = new QLineEdit;
  e->setMaxLength(maxLength);
  e->setObjectName(QString::fromLatin1(objectName));
  return e;
}

}  // namespace

JoinDlg::JoinDlg(CTrafficManager& traffic, bool changeMode, QWidget* parent)
    : QDialog(parent), traffic_(traffic), changeMode_(changeMode) {
  setWindowTitle(changeMode ? QStringLiteral("가입 정보 변경") : QStringLiteral("가입"));
  nameEdit = Edit(20, "nameEdit");
  idEdit = Edit(20, "idEdit");
  frontEdit = Edit(6, "rrnFrontEdit");
  backEdit = Edit(7, "rrnBackEdit");
  emailEdit = Edit(50, "emailEdit");

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("이 름 :")), 0, 0);
  grid->addWidget(nameEdit, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("사용자 ID:")), 1, 0);
  grid->addWidget(idEdit, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("주민번호 :")), 2, 0);
  auto* number = new QHBoxLayout;
  number->addWidget(frontEdit, 6);
  number->addWidget(new QLabel(QStringLiteral("-")));
  number->addWidget(backEdit, 7);
  grid->addLayout(number, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("E-MAIL :")), 3, 0);
  grid->addWidget(emailEdit, 3, 1);

  auto* types = new QGroupBox(QStringLiteral("사용자구분"));
  auto* typeLayout = new QVBoxLayout(types);
  const char* labels[3] = {"경찰관", "일반 사용자", "교통 업계 종사자"};
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    typeRadios[i] = new QRadioButton(QString::fromUtf8(labels[i]));
    group->addButton(typeRadios[i], i);
    typeLayout->addWidget(typeRadios[i]);
  }

  auto* buttons = new QDialogButtonBox;
  buttons->addButton(QStringLiteral("확인"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOk(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(types);
  layout->addStretch();
  layout->addWidget(buttons);
  setMaximumSize(240, 320);

  // The tab order follows the form from top to bottom.
  QWidget::setTabOrder(nameEdit, idEdit);
  QWidget::setTabOrder(idEdit, frontEdit);
  QWidget::setTabOrder(frontEdit, backEdit);
  QWidget::setTabOrder(backEdit, emailEdit);
  QWidget::setTabOrder(emailEdit, typeRadios[0]);

  if (changeMode) {
    for (QLineEdit* e : {nameEdit, idEdit, frontEdit, backEdit}) e->setEnabled(false);
    emailEdit->setFocus();
  }
}

void JoinDlg::ShowMembers() {
  nameEdit->setText(name);
  idEdit->setText(userId);
  frontEdit->setText(rrnFront);
  backEdit->setText(rrnBack);
  emailEdit->setText(email);
  for (int i = 0; i < 3; ++i) typeRadios[i]->setChecked(i == userType);
  if (changeMode_) kavrel::SetArrowCursor();
}

void JoinDlg::TakeMembers() {
  name = nameEdit->text();
  userId = idEdit->text();
  rrnFront = frontEdit->text();
  rrnBack = backEdit->text();
  email = emailEdit->text();
  userType = -1;
  for (int i = 0; i < 3; ++i)
    if (typeRadios[i]->isChecked()) userType = i;
}

void JoinDlg::OnOk() {
  TakeMembers();
  if (changeMode_) {
    if (!email.contains(u'@')) {
      Inform(this, msg::kEnterEmail);
      return;
    }
    succeeded = traffic_.ChangeMemberInformation(userId, email, client::UserTypeText(userType));
    if (succeeded) accept();
    return;
  }
  if (name.isEmpty() || userId.isEmpty() || rrnFront.isEmpty() || rrnBack.isEmpty() || email.isEmpty() ||
      userType < 0) {
    Inform(this, msg::kFillJoinForm);
    return;
  }
  if (!client::IsValidRegistrationNumber(rrnFront, rrnBack)) {
    Inform(this, msg::kEnterNumber);
    return;
  }
  if (!email.contains(u'@')) {
    Inform(this, msg::kEnterEmail);
    return;
  }
  succeeded = traffic_.Join(name, userId, rrnFront + rrnBack, email, client::UserTypeText(userType));
  if (succeeded) accept();
}
