// SetupDialog: the installer's window. It is never shown; it exists to receive the
// updater's notices ("APP_AUTO_UPDATE", WM_CLOSE) and drives the whole installation.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

#include "kavrel/desktop_window.h"
#include "kavrel/shell.h"

class QSocketNotifier;

namespace setup {

class SetupDialog : public QDialog {
  Q_OBJECT

 public:
  // Codes of the updater's notices (wParam of "APP_AUTO_UPDATE").
  enum Notice : std::int64_t {
    kStarted = 1,
    kOffer = 2,
    kNoUpdate = 3,
    kMajorUpdate = 4,
    kReportFailed = 5,
    kDownloaded = 6,
  };
  // The command that starts the update (to the updater).
  static constexpr std::int64_t kStartUpdate = 1;
  // How long the application manager is given to take the files before the clean-up.
  static constexpr int kAppMgrWaitMs = 60000;

  explicit SetupDialog(QWidget* parent = nullptr);
  // The clean-up of the end.
  ~SetupDialog() override;

  // The start-up steps: clean-up, the handheld's values, the updater. Called once the
  // event loop runs; the dialog finishes when the installer should end.
  void Start();
  kavrel::desktop::Hwnd handle() const;

 private:
  std::int64_t OnMessage(unsigned message, std::int64_t wParam, std::int64_t lParam);
  void OnNotice(std::int64_t code, std::int64_t value);
  void StartUpdater();
  void Install();
  void OnUpdaterEnded();
  void CloseUpdater();
  // Closing this window ends the installer.
  void CloseThis();
  // A message box with an OK button.
  void Tell(const QString& text);

  QString updateAddress_;
  QString currentVersion_;
  kavrel::desktop::Hwnd updaterWindow_ = 0;
  QString setupFileName_;

  unsigned autoUpdateMessage_;
  std::unique_ptr<kavrel::desktop::Window> window_;
  QSocketNotifier* messages_ = nullptr;
  kavrel::shell::Process updater_;
  QSocketNotifier* updaterEnd_ = nullptr;
  bool closing_ = false;
};

}  // namespace setup
