// One page of the settings sheet. A page is initialised the first time it shows; only
// initialised pages take part in the sheet's apply. Until the user changes something
// a page is `applied`, and its apply does nothing of its own.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class SettingPage : public QWidget {
 public:
  explicit SettingPage(QString caption, QWidget* parent = nullptr);

  const QString& caption() const { return caption_; }
  bool initialised() const { return initialised_; }
  bool applied() const { return applied_; }
  // Once, when the page first shows.
  void Initialise();
  // The page's apply on OK or Apply; false keeps the sheet open on this page.
  virtual bool OnApply() { return true; }

  // The sheet: the page was modified (Apply becomes available).
  std::function<void()> onModified;

 protected:
  virtual void OnInitDialog() = 0;
  // Tells the sheet and clears `applied`.
  void SetModified();

  bool initialised_ = false;
  bool applied_ = true;

 private:
  QString caption_;
};
