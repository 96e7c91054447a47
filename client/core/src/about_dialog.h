// The about box ("프로그램 정보"): the program's name and version and what it does.
#pragma once

#include <QDialog>

class AboutDialog : public QDialog {
 public:
  explicit AboutDialog(QWidget* parent = nullptr);

  // The text the box shows.
  static QString Text();
};
