// Finds a forgotten user ID from the registration number.
#pragma once

#include <QDialog>
#include <QString>

class CTrafficManager;
class QLineEdit;

class FindIdDlg : public QDialog {
 public:
  explicit FindIdDlg(CTrafficManager& traffic, QWidget* parent = nullptr);

  QString rrnFront, rrnBack;
  QString foundId;  // the last ID found; empty if none

  // The find button.
  void OnFind();

  QLineEdit* frontEdit;
  QLineEdit* backEdit;

 private:
  CTrafficManager& traffic_;
};
