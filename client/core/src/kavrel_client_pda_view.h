// The one view: the login screen with its controls, then the traffic screen. It runs
// the session: view start, automatic and button login, the start sequence of view
// timers (1: selections, upload and first items; 10: the loader thread; 11: the news
// flash; 12: rotation; 5: refresh check) and the shutdown with logout.
//
// Only the GUI thread touches this widget: the loader thread posts its timer starts
// and repaints.
#pragma once

#include <QImage>
#include <QWidget>

#include <memory>

#include "kavrel/ui/view_timers.h"
#include "panel_layout.h"
#include "traffic_view.h"
#include "view_dialogs.h"

class CKavrelClientPDAApp;
class CMainFrame;
class CTickerCtrl;
class QLineEdit;
class QMenu;
class SkinButton;

class CKavrelClientPDAView : public QWidget, public ITrafficView {
 public:
  // Control ids of the view (the panel's table holds their texts, pictures and places).
  static constexpr int kCloseButton = panel::kCloseButton;
  static constexpr int kMenuButton = panel::kMenuButton;
  static constexpr int kNewsFlash = panel::kNewsFlashControl;
  static constexpr int kIdEdit = panel::kIdEdit;
  static constexpr int kLoginButton = panel::kLoginButton;
  static constexpr int kJoinButton = panel::kJoinButton;
  static constexpr int kCctvButton = panel::kCctvButton;
  static constexpr int kRoadButton = panel::kRoadButton;
  static constexpr int kRouteButton = panel::kRouteButton;
  static constexpr int kIdSearchButton = panel::kIdSearchButton;
  // View timers.
  enum TimerId { kStartTimer = 1, kRefreshTimer = 5, kLoaderTimer = 10, kNewsTimer = 11, kRotationTimer = 12 };

  // Commands of the popup menu ("전체메뉴", menu resource 129) and of its three further
  // popups.
  enum Command {
    kSettingsCommand = 32771,
    kRoadDetailCommand = 32772,
    kRouteDetailCommand = 32773,
    kCctvVideoCommand = 32774,
    kChangeMembershipCommand = 32775,
    kAboutCommand = 57664,
    kExitCommand = 57665,
  };
  // The popup menu opens here, in view coordinates.
  static constexpr QPoint kMenuPosition{0, 249};

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

  // A command of the menu or a control (the ids above and the control ids); commands
  // of a category that is not enabled do nothing.
  void OnCommand(int id);
  // The popup menu, opened by the menu button.
  QMenu* menu() const { return menu_; }
  // The dialogs the commands open (not owned); nullptr restores the view's own.
  void SetDialogs(ViewDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &ownDialogs_; }

  // ITrafficView
  void InvalidateView() override;
  void InvalidateRect(const QRect& area) override;
  void ApplyNewsFlash(const CNewsFlash& news) override;
  int NewsAverageCharWidth() const override { return averageCharWidth_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void CreateControls();
  void LayOut();
  void CreateMenu();
  // Runs a modal dialog: the navigation-bar title first (when given), full screen off
  // around it (when asked) and `dialogOpen` set while it runs, so that neither refresh
  // nor rotation changes the items a dialog may be showing.
  template <typename Run>
  void RunModal(const char* navTitle, bool leaveFullScreen, Run run);
  bool CategoryEnabled(int type) const;
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
  SkinButton* closeButton_ = nullptr;
  SkinButton* menuButton_ = nullptr;
  CTickerCtrl* newsFlash_ = nullptr;
  QLineEdit* idEdit_ = nullptr;
  SkinButton* loginButton_ = nullptr;
  SkinButton* joinButton_ = nullptr;
  SkinButton* cctvButton_ = nullptr;
  SkinButton* roadButton_ = nullptr;
  SkinButton* routeButton_ = nullptr;
  SkinButton* idSearchButton_ = nullptr;
  QMenu* menu_ = nullptr;
  // The skin's background pictures (null when a file could not be loaded).
  QImage mainBitmap_;
  QImage loginBitmap_;
  QImage idFieldBitmap_;
  ViewDialogs ownDialogs_;
  ViewDialogs* dialogs_ = &ownDialogs_;
};
