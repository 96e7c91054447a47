// The join form, and in change mode the member information form (MemberInfoDlg):
// name, user ID, registration number in two parts, e-mail and user type.
#pragma once

#include <QDialog>
#include <QString>

class CTrafficManager;
class QLineEdit;
class QRadioButton;

class JoinDlg : public QDialog {
 public:
  JoinDlg(CTrafficManager& traffic, bool changeMode, QWidget* parent = nullptr);

  // Shown in the controls on the next Show/exec (change mode fills them before).
  QString name, userId, rrnFront, rrnBack, email;
  int userType = -1;  // 0 police officer, 1 general user, 2 traffic-industry worker
  bool succeeded = false;

  void ShowMembers();
  // The OK button: checks, then the request; closes on success.
  void OnOk();

  QLineEdit* nameEdit;
  QLineEdit* idEdit;
  QLineEdit* frontEdit;
  QLineEdit* backEdit;
  QLineEdit* emailEdit;
  QRadioButton* typeRadios[3];

 private:
  void TakeMembers();
  CTrafficManager& traffic_;
  bool changeMode_;
};

// MemberInfoDlg is JoinDlg opened in change mode.
class MemberInfoDlg : public JoinDlg {
 public:
  explicit MemberInfoDlg(CTrafficManager& traffic, QWidget* parent = nullptr) : JoinDlg(traffic, true, parent) {}
};
