// The guided tour (`--tour DIR`): the program opens each of its screens in turn through
// the commands a user gives, lets it settle, saves it as its user sees it (240 x 320
// PNG) and closes it with Cancel, so nothing is applied or stored; then it exits as the
// exit command does. After an automatic login it tours the traffic screen, the settings
// sheet's pages, the place search, the detail dialogs, the video viewer, the membership
// change and the about box; without one, the login screen, join and ID search.
//
// Every step runs from a timer of the GUI thread: a modal dialog is found by polling
// the active modal widget while its command runs, so the GUI thread never waits.
#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QObject>
#include <QString>

#include <functional>

class CKavrelClientPDAApp;
class CKavrelClientPDAView;
class QDialog;
class QWidget;

class CTour {
 public:
  // Screens in the order the tour saves them.
  static constexpr const char* kTrafficFiles[] = {
      "traffic",         "settings-general", "settings-newsflash", "settings-routes", "settings-roads",
      "settings-cctv",   "location-search",  "road-detail",        "route-detail",    "cctv-video",
      "cctv-screen",     "member-info",      "about"};
  static constexpr const char* kLoginFiles[] = {"login", "join", "find-id"};

  // How long the tour waits for the traffic screen to load, and for a dialog to open
  // or close, before it gives up.
  static constexpr int kLoadLimitMs = 180000;
  static constexpr int kDialogLimitMs = 30000;
  // Time given to a screen to settle before it is saved, and to live video.
  static constexpr int kSettleMs = 600;
  static constexpr int kVideoMs = 3000;
  // The traffic screen settles longer: the news flash scrolls in from the right.
  static constexpr int kTrafficSettleMs = 4000;

  // `done(complete)` runs once at the end, when the program is to exit as the exit
  // command does; `complete` is false when a screen could not be reached or saved.
  CTour(CKavrelClientPDAApp& app, const QString& dir, std::function<void(bool)> done);

  // Starts once the main frame is up.
  void Start();

 private:
  using Step = std::function<void()>;

  CKavrelClientPDAView& view() const;
  void Poll(QDeadlineTimer deadline, QString what, std::function<bool()> ready, Step then);
  void WaitUntil(const QString& what, int limitMs, std::function<bool()> ready, Step then);
  void After(int ms, Step then);
  // Saves the screen with `top` open over the frame (nullptr: the frame alone).
  void Save(const char* name, QWidget* top);
  // Runs `command` from a timer; when a new modal dialog shows, `shown` gets it.
  void Open(const char* name, Step command, std::function<void(QDialog&)> shown);
  // Waits for a modal dialog other than the one active now.
  void AwaitDialog(const char* name, std::function<void(QDialog&)> shown);
  // Cancels `dialog` and goes on with `next` once it has closed.
  void Cancel(QDialog& dialog, Step next);
  // Opens a dialog with `command`, saves it as `name` and cancels it, then `next`.
  void Visit(const char* name, Step command, Step next);
  // A click on one of the view's buttons, as a command.
  Step Click(int control);
  void Fail(const QString& why);
  void Finish();

  void LoginTour();
  void TrafficTour();
  void SettingsPages(QDialog& sheet, int page);
  void LocationSearch(QDialog& sheet);
  void Details();
  void Video();
  void Membership();

  CKavrelClientPDAApp& app_;
  QDir dir_;
  std::function<void(bool)> done_;
  bool complete_ = true;
  bool finished_ = false;  // no wait goes on after the end
  QObject context_;          // owns the tour's timers
};
