// The application object: everything the client knows during a run (server address,
// login, news flash, traffic items, the network object, the profile and the session
// flags) and the start-up that shows the main frame.
#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "ZMNTP.h"
#include "news_flash.h"
#include "session_flags.h"
#include "settings_store.h"
#include "traffic_manager.h"

class CMainFrame;

class CKavrelClientPDAApp {
 public:
  CKavrelClientPDAApp();
  ~CKavrelClientPDAApp();
  CKavrelClientPDAApp(const CKavrelClientPDAApp&) = delete;
  CKavrelClientPDAApp& operator=(const CKavrelClientPDAApp&) = delete;

  // Creates and shows the main frame with its view, and starts the view (which logs in
  // automatically when the profile says so). `beforeStart` sees the frame first (tests
  // take the view's timers into their own hands there).
  bool InitInstance(const std::function<void(CMainFrame&)>& beforeStart = {});
  CMainFrame* mainFrame() const { return frame_.get(); }

  QString serverAddress;  // dotted IPv4 text, from `tsip`
  QString loginId;
  int autoLogin = 1;
  CNewsFlash newsFlash;
  CSettingsStore settings;
  CZMNTP network;
  SessionFlags flags;
  // Lists the settings sheet rebuilt (road/bridge/tunnel, route, CCTV): the sheet
  // reloads and refreshes them when it closes.
  struct SelectionChanged {
    bool roads = false;
    bool routes = false;
    bool cameras = false;
  } selectionChanged;
  // The number of rows each settings page last stored as checked.
  int selectedRoads = 0;
  int selectedRoutes = 0;
  int selectedCameras = 0;
  CTrafficManager trafficManager{*this};

 private:
  std::unique_ptr<CMainFrame> frame_;  // last: it goes first, while the rest still exists
};
