// The dialogs the program gives its main view: the view's own ones, and those of the
// dialogs library as they come (the settings sheet so far).
#pragma once

#include "view_dialogs.h"

class CKavrelClientPDAApp;

class ProgramDialogs : public ViewDialogs {
 public:
  explicit ProgramDialogs(CKavrelClientPDAApp& app) : app_(app) {}

  void Settings(QWidget* owner) override;

 private:
  CKavrelClientPDAApp& app_;
};
