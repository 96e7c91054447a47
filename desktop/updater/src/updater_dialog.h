// The updater's window "Auto Updater": asks the update server what to do, tells the
// caller window through the registered message "APP_AUTO_UPDATE" and the clipboard,
// takes the caller's commands, and downloads the update files into "__TEMP__" below
// the current directory on one worker thread.
//
// The worker never touches a widget: it posts progress and its end to this thread.
#pragma once

#include <QDialog>
#include <QFont>
#include <QTimer>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "command_line.h"
#include "file_downloader.h"
#include "kavrel/desktop_window.h"
#include "update_info.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSocketNotifier;

namespace updater {

// Notices to the caller (wParam of "APP_AUTO_UPDATE").
enum Notice { kStarted = 1, kOffered = 2, kNoUpdate = 3, kMajor = 4, kReportFailed = 5, kDownloaded = 6 };
// Commands from the caller.
enum Command { kStartUpdate = 1, kSetInstallProgress = 2 };
inline constexpr const char* kNoticeMessageName = "APP_AUTO_UPDATE";
inline constexpr const char* kDownloadFolder = "__TEMP__";

class UpdaterDialog : public QDialog {
  Q_OBJECT

 public:
  // `screenshot`: a PNG of the window is written there once it is set up.
  UpdaterDialog(const CommandLine& commandLine, QString screenshot = {});
  ~UpdaterDialog() override;

  kavrel::desktop::Hwnd handle() const;
  // A worker exists (started and not yet collected by timer 1).
  bool downloading() const { return worker_ != nullptr; }

 public slots:
  // Start-up: notice 1, the information request and its decision.
  void Start();

 protected:
  void reject() override;  // Cancel button and Escape
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::int64_t HandleMessage(unsigned message, std::int64_t wParam, std::int64_t lParam);
  void OnCommand(std::int64_t code, std::int64_t value);
  void OnClose();
  void Notify(int code, std::int64_t value);
  void OfferToClipboard();
  void BeginUpdate();
  void StartDownload();
  void RunDownload();  // worker thread
  void ArmTimer1();    // from any thread
  void OnTimer1();
  void ShowDownloadError(const QString& text);
  void CollectWorker();
  void SetStage(const char* text, const QFont& font);
  void ShowAbout();

  CommandLine commandLine_;
  QString screenshot_;
  unsigned noticeMessage_;
  std::unique_ptr<kavrel::desktop::Window> window_;
  QSocketNotifier* messages_ = nullptr;
  UpdateInfo info_;

  std::string serverHost_, userId_, password_;
  std::string downloadPath_;
  std::int32_t downloadSize_ = 0;
  std::string localPath_, previousLocalPath_;
  bool secondFilePending_ = false;
  std::unique_ptr<std::thread> worker_;
  std::unique_ptr<FileDownloader> downloader_;
  std::atomic<bool> cancelRequested_{false}, closeRequested_{false}, closeAfterError_{false};
  // The error report of a failed download could not be sent: the worker ended without
  // its message, and the window waits to be closed.
  std::atomic<bool> failedSilently_{false};
  // Progress of the running download: the newest block, and whether an update of the
  // bar is already on its way to this thread.
  std::atomic<int> latestBlock_{0};
  std::atomic<bool> progressPosted_{false};

  QFont regularFont_, boldFont_;
  QPushButton* cancelButton_;
  QProgressBar* downloadBar_;  // 1000
  QProgressBar* installBar_;   // 1001
  QLabel* stage_;              // 1004
  QLabel* patchInstall_;       // 1008
  QLabel* finishing_;          // 1009
  QTimer timer1_;
};

}  // namespace updater
