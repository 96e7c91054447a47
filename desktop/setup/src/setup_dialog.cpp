#include "setup_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <unistd.h>

#include "kavrel/desktop_runtime.h"
#include "kavrel/ui/message_box.h"
#include "kavrel/window_class.h"
#include "setup_files.h"
#include "setup_texts.h"

namespace setup {
namespace {

namespace desktop = kavrel::desktop;
namespace ui = kavrel::ui;
namespace fs = std::filesystem;

constexpr const char* kAutoUpdateMessage = "APP_AUTO_UPDATE";
// The application manager's main window.
constexpr const char* kAppMgrClass = "CEAppMgr";
constexpr const char* kAppMgrTitle = "Add/Remove Programs";

fs::path CurrentDirectory() {
  std::error_code ec;
  auto dir = fs::current_path(ec);
  return ec ? fs::path(".") : dir;
}

}  // namespace

SetupDialog::SetupDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool), autoUpdateMessage_(desktop::RegisterWindowMessage(kAutoUpdateMessage)) {
  // The dialog as designed; it is never shown.
  setWindowTitle(texts::kCaption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QString::fromUtf8(texts::kDialogText), this));
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QString::fromUtf8(texts::kStartButton), QDialogButtonBox::AcceptRole);
  buttons->addButton(QString::fromUtf8(texts::kCancelButton), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);
  setGeometry(0, 0, 0, 0);
  hide();

  std::string error;
  window_ = desktop::Window::Create(
      [this](unsigned message, std::int64_t wParam, std::int64_t lParam) { return OnMessage(message, wParam, lParam); },
      &error);
  if (!window_) {
    std::fprintf(stderr, "PlumoSetup: %s\n", error.c_str());
    return;
  }
  messages_ = new QSocketNotifier(window_->fd(), QSocketNotifier::Read, this);
  connect(messages_, &QSocketNotifier::activated, this, [this] { window_->DispatchPending(); });
}

SetupDialog::~SetupDialog() {
  window_.reset();
  CleanUp(CurrentDirectory());
}

desktop::Hwnd SetupDialog::handle() const { return window_ ? window_->handle() : 0; }

void SetupDialog::Tell(const QString& text) {
  ui::ShowMessageBox(this, text, texts::kCaption, ui::MessageIcon::Warning, ui::MessageButtons::Ok);
}

void SetupDialog::Start() {
  CleanUp(CurrentDirectory());
  if (!window_) {  // nothing could reach this window
    CloseThis();
    return;
  }
  auto info = ReadHandheldInfo();
  if (!info) {
    Tell(QString::fromUtf8(texts::kHandheldReadFailed));
    CloseThis();
    return;
  }
  updateAddress_ = QString::fromStdString(info->updateUrl);
  currentVersion_ = QString::fromStdString(info->currentVersion);
  StartUpdater();
}

void SetupDialog::StartUpdater() {
  using Result = RegistryText::Result;
  auto tickerDir = ReadRegistryText(kavrel::registry::Hive::CurrentUser, kDesktopKey, kTickerDirValue);
  if (tickerDir.result != Result::Ok) {
    Tell(QString::fromUtf8(tickerDir.result == Result::OpenFailed ? texts::kDesktopKeyOpenFailed
                                                                  : texts::kDesktopKeyReadFailed));
    CloseThis();
    return;
  }
  std::error_code ec;
  fs::current_path(tickerDir.text, ec);
  fs::copy_file(kUpdaterProgram, kUpdaterCopy, fs::copy_options::overwrite_existing, ec);
  auto launch = kavrel::shell::ShellExecute(
      "open", kUpdaterCopy,
      UpdaterParameters(handle(), updateAddress_.toStdString(), currentVersion_.toStdString()), CurrentDirectory(),
      kavrel::shell::ShowWindow::Hidden);
  updater_ = std::move(launch.process);
  if (!updater_.valid()) {  // no updater will ever send a notice
    CloseThis();
    return;
  }
  // An updater that ends without a notice (it found nothing to ask) ends the installer.
  if (updater_.fd() >= 0) {
    updaterEnd_ = new QSocketNotifier(updater_.fd(), QSocketNotifier::Read, this);
    connect(updaterEnd_, &QSocketNotifier::activated, this, &SetupDialog::OnUpdaterEnded);
  }
}

std::int64_t SetupDialog::OnMessage(unsigned message, std::int64_t wParam, std::int64_t lParam) {
  if (message == autoUpdateMessage_) {
    OnNotice(wParam, lParam);
  } else if (message == desktop::kWmClose) {
    CloseThis();
  }
  return 0;
}

void SetupDialog::OnNotice(std::int64_t code, std::int64_t value) {
  if (closing_) return;
  switch (code) {
    case kStarted:
      updaterWindow_ = static_cast<desktop::Hwnd>(value);
      break;
    case kOffer: {
      const QString offer = QString::fromStdString(desktop::GetClipboardText().value_or(std::string()));
      const QString text = offer + "\r\n\r\n" + QString::fromUtf8(texts::kUpdateQuestion);
      auto answer = ui::ShowMessageBox(this, text, texts::kCaption, ui::MessageIcon::Question, ui::MessageButtons::OkCancel);
      if (answer == ui::MessageAnswer::Ok) {
        desktop::SendMessage(updaterWindow_, autoUpdateMessage_, kStartUpdate, 0);
      } else {
        CloseUpdater();
        CloseThis();
      }
      break;
    }
    case kNoUpdate:
      CloseUpdater();
      CloseThis();
      break;
    case kMajorUpdate:
      ui::ShowMessageBox(this, QString::fromUtf8(texts::kMajorUpdate), texts::kCaption, ui::MessageIcon::Information);
      CloseUpdater();
      CloseThis();
      break;
    case kReportFailed:
      Tell(texts::kUpdaterError);
      CloseThis();
      break;
    case kDownloaded:
      CloseUpdater();
      Install();
      CloseThis();
      break;
    default:
      break;
  }
}

void SetupDialog::Install() {
  using Result = RegistryText::Result;
  auto installedDir = ReadRegistryText(kavrel::registry::Hive::LocalMachine, kSyncSoftwareKey, kInstalledDirValue);
  if (installedDir.result != Result::Ok) {
    Tell(installedDir.result == Result::OpenFailed ? texts::kSyncKeyOpenFailed : texts::kSyncKeyQueryFailed);
    return;
  }
  const auto currentDir = CurrentDirectory();
  if (auto appMgr = kavrel::desktop::FindWindow(kAppMgrClass, kAppMgrTitle))
    desktop::SendMessage(appMgr, desktop::kWmClose, 0, 0);

  setupFileName_ = QString::fromStdString(LastSetupFile(currentDir));
  auto line = BatchLine(installedDir.text, currentDir.string(), setupFileName_.toStdString());
  bool written = false;
  if (line) {  // a path the shell would not take literally is never written into the line
    std::ofstream batch(kBatchFile, std::ios::binary | std::ios::trunc);
    written = batch && (batch << *line) && batch.flush();
  }
  if (!written) {
    std::error_code ec;
    fs::remove(kBatchFile, ec);  // what an earlier run left must not run instead
    Tell(texts::kBatchNotOpened);
  }

  auto launch = kavrel::shell::ShellExecute("open", kBatchFile, "", currentDir, kavrel::shell::ShowWindow::Hidden);
  if (launch.result <= 32) {
    Tell(texts::kAppMgrExecuteFailed);
    return;
  }
  // The application manager takes the files from __TEMP__ before the clean-up deletes
  // them: wait for its end, at most a minute.
  launch.process.WaitFor(kAppMgrWaitMs);
}

void SetupDialog::OnUpdaterEnded() {
  updaterEnd_->setEnabled(false);
  updater_.WaitFor(0);
  CloseThis();
}

void SetupDialog::CloseUpdater() {
  if (updaterWindow_) desktop::SendMessage(updaterWindow_, desktop::kWmClose, 0, 0);
}

void SetupDialog::CloseThis() {
  if (closing_) return;
  closing_ = true;
  if (messages_) messages_->setEnabled(false);
  if (updaterEnd_) updaterEnd_->setEnabled(false);
  done(QDialog::Rejected);
}

}  // namespace setup
