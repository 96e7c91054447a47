#include "setting_page.h"

#include <utility>

SettingPage::SettingPage(QString caption, QWidget* parent) : QWidget(parent), caption_(std::move(caption)) {}

void SettingPage::Initialise() {
  if (initialised_) return;
  OnInitDialog();
  initialised_ = true;
}

void SettingPage::SetModified() {
  applied_ = false;
  if (onModified) onModified();
}
