// The main frame: the window around the view, with the command bar at its foot, and
// the full-screen switch used around the traffic screen and the dialogs.
#pragma once

#include <QMainWindow>

class CKavrelClientPDAApp;
class CKavrelClientPDAView;
class QToolBar;

class CMainFrame : public QMainWindow {
 public:
  static constexpr const char* kTitle = "교통정보센터 티커";

  explicit CMainFrame(CKavrelClientPDAApp& app);
  ~CMainFrame() override;

  CKavrelClientPDAView* view() const { return view_; }
  QToolBar* commandBar() const { return commandBar_; }
  void FullScreen(bool on);

 protected:
  // Closing the frame shuts the session down (logout included) before the window goes.
  void closeEvent(QCloseEvent* event) override;

 private:
  CKavrelClientPDAView* view_;
  QToolBar* commandBar_;
};
