// The one view: the login screen with its controls, then the traffic screen. It runs
// the session: view start, automatic and button login, the start sequence of view
// timers (1: selections, upload and first items; 10: the loader thread; 11: the news
// flash; 12: rotation; 5: refresh check) and the shutdown with logout.
//
// Only the GUI thread touches this widget: the loader thread posts its timer starts
// and repaints.
#pragma once

#include <QWidget>

#include "kavrel/ui/view_timers.h"
#include "traffic_view.h"

class CKavrelClientPDAApp;
class CMainFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class CKavrelClientPDAView : public QWidget, public ITrafficView {
 public:
  // Control ids of the view.
  enum ControlId {
    kCloseButton = 101,
    kMenuButton = 102,
    kNewsFlash = 103,
    kIdEdit = 104,
    kLoginButton = 105,
    kJoinButton = 106,
    kCctvButton = 107,
    kRoadButton = 108,
    kRouteButton = 109,
    kIdSearchButton = 110,
  };
  // View timers.
  enum TimerId { kStartTimer = 1, kRefreshTimer = 5, kLoaderTimer = 10, kNewsTimer = 11, kRotationTimer = 12 };

  // Areas of the traffic screen.
  static QRect RoadArea() { return QRect(QPoint(5, 209), QPoint(239, 253)); }
  static QRect RouteArea() { return QRect(QPoint(5, 154), QPoint(239, 198)); }
  static QRect CctvNameArea() { return QRect(QPoint(6, 125), QPoint(233, 144)); }

  CKavrelClientPDAView(CKavrelClientPDAApp& app, CMainFrame& frame);
  ~CKavrelClientPDAView() override;

  // Once, after the frame exists: network and settings, controls, automatic login.
  void OnInitialUpdate();
  void OnLoginButton();
  void OnTimer(unsigned id);
  // Shutdown: logout, the network library's end, the items. Runs once.
  void OnDestroy();

  kavrel::ui::ViewTimers& timers() { return *timers_; }
  QWidget* Control(int id) const;
  bool loggedIn() const { return loggedIn_; }

  // ITrafficView
  void InvalidateView() override;
  void InvalidateRect(const QRect& area) override;
  void ApplyNewsFlash(const CNewsFlash& news) override;
  int NewsAverageCharWidth() const override { return averageCharWidth_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void CreateControls();
  void ShowLoginControls(bool show);
  void ShowTrafficControls();
  void StartSequenceTrigger();
  void OnStartTimer();
  void OnNewsTimer();
  void Rotate();
  void LoaderThread();

  CKavrelClientPDAApp& app_;
  CMainFrame& frame_;
  kavrel::ui::ViewTimers* timers_;
  bool loggedIn_ = false;
  bool destroyed_ = false;
  int averageCharWidth_ = 0;
  QPushButton* closeButton_ = nullptr;
  QPushButton* menuButton_ = nullptr;
  QLabel* newsFlash_ = nullptr;
  QLineEdit* idEdit_ = nullptr;
  QPushButton* loginButton_ = nullptr;
  QPushButton* joinButton_ = nullptr;
  QPushButton* cctvButton_ = nullptr;
  QPushButton* roadButton_ = nullptr;
  QPushButton* routeButton_ = nullptr;
  QPushButton* idSearchButton_ = nullptr;
};
