#include "updater_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "kavrel/desktop_runtime.h"
#include "kavrel/ui/gui_thread.h"
#include "kavrel/ui/message_box.h"
#include "updater_texts.h"

namespace updater {
namespace {

// Dialog units of the window's 9-point font in pixels.
constexpr double kDluX = 1.5, kDluY = 1.625;

QRect Dlu(int x, int y, int w, int h) {
  return QRect(int(x * kDluX), int(y * kDluY), int(w * kDluX), int(h * kDluY));
}

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

UpdaterDialog::UpdaterDialog(const CommandLine& commandLine, QString screenshot)
    : commandLine_(commandLine),
      screenshot_(std::move(screenshot)),
      noticeMessage_(kavrel::desktop::RegisterWindowMessage(kNoticeMessageName)) {
  setWindowTitle(Text(texts::kWindowTitle));
  setFont(QFont(Text("굴림"), 9));
  setFixedSize(Dlu(0, 0, 215, 157).size());
  setWindowIcon(style()->standardIcon(QStyle::SP_BrowserReload));

  // Tab order: Cancel, download bar, stage, install bar, frame, two texts.
  cancelButton_ = new QPushButton(Text(texts::kCancel), this);
  cancelButton_->setGeometry(Dlu(155, 136, 50, 14));
  cancelButton_->setEnabled(false);
  cancelButton_->setAutoDefault(false);
  cancelButton_->setObjectName("2");
  connect(cancelButton_, &QPushButton::clicked, this, &UpdaterDialog::reject);
  downloadBar_ = new QProgressBar(this);
  downloadBar_->setGeometry(Dlu(14, 32, 185, 14));
  downloadBar_->setRange(0, 100);
  downloadBar_->setValue(0);
  downloadBar_->setTextVisible(false);
  downloadBar_->setObjectName("1000");
  stage_ = new QLabel(this);
  stage_->setObjectName("1004");
  stage_->setGeometry(Dlu(17, 17, 185, 12));
  installBar_ = new QProgressBar(this);
  installBar_->setGeometry(Dlu(14, 71, 185, 14));
  installBar_->setRange(0, 100);
  installBar_->setValue(0);
  installBar_->setTextVisible(false);
  installBar_->setObjectName("1001");
  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  frame->setGeometry(Dlu(7, 7, 201, 117));
  frame->lower();
  patchInstall_ = new QLabel(this);
  patchInstall_->setGeometry(Dlu(16, 55, 185, 12));
  finishing_ = new QLabel(this);
  finishing_->setGeometry(Dlu(17, 93, 185, 12));

  // The About item (the window menu of this platform is the window's context menu).
  auto* about = new QAction(Text(texts::kAboutItem), this);
  connect(about, &QAction::triggered, this, &UpdaterDialog::ShowAbout);
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  addAction(separator);
  addAction(about);
  setContextMenuPolicy(Qt::ActionsContextMenu);

  regularFont_ = font();
  regularFont_.setPixelSize(13);
  boldFont_ = font();
  boldFont_.setPixelSize(12);
  boldFont_.setWeight(QFont::ExtraBold);  // 800
  SetStage(texts::kDownloadStage, regularFont_);
  patchInstall_->setFont(regularFont_);
  patchInstall_->setText(Text(texts::kPatchInstall));
  finishing_->setFont(regularFont_);
  finishing_->setText(Text(texts::kFinishing));

  timer1_.setSingleShot(true);
  connect(&timer1_, &QTimer::timeout, this, &UpdaterDialog::OnTimer1);

  std::string error;
  window_ = kavrel::desktop::Window::Create(
      [this](unsigned m, std::int64_t w, std::int64_t l) { return HandleMessage(m, w, l); }, &error);
  if (!window_) {
    std::fprintf(stderr, "pupdater: %s\n", error.c_str());
  } else {
    messages_ = new QSocketNotifier(window_->fd(), QSocketNotifier::Read, this);
    connect(messages_, &QSocketNotifier::activated, this, [this] { window_->DispatchPending(); });
  }
}

UpdaterDialog::~UpdaterDialog() {
  // The worker looks at the flags after every block and while the server is silent.
  cancelRequested_ = true;
  if (worker_) worker_->join();
}

kavrel::desktop::Hwnd UpdaterDialog::handle() const { return window_ ? window_->handle() : 0; }

void UpdaterDialog::SetStage(const char* text, const QFont& font) {
  stage_->setFont(font);
  stage_->setText(Text(text));
}

void UpdaterDialog::ShowAbout() {
  QDialog about(this);
  about.setWindowTitle(Text(texts::kAboutCaption));
  auto* layout = new QVBoxLayout(&about);
  auto* icon = new QLabel(&about);
  icon->setPixmap(windowIcon().pixmap(32, 32));
  layout->addWidget(icon);
  layout->addWidget(new QLabel(Text(texts::kAboutVersion), &about));
  auto* buttons = new QDialogButtonBox(&about);
  buttons->addButton(Text(texts::kAboutOk), QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  layout->addWidget(buttons);
  about.exec();
}

void UpdaterDialog::Start() {
  if (!screenshot_.isEmpty()) grab().save(screenshot_, "PNG");
  Notify(kStarted, handle());

  info_.callerWindow = commandLine_.callerWindow;
  info_.noticeMessage = noticeMessage_;
  info_.baseAddress = commandLine_.baseAddress;
  info_.currentVersion = commandLine_.currentVersion;
  info_.onStatusFailed = [this](int error) { Notify(kReportFailed, error); };
  info_.showMessage = [this](const std::string& text) {
    kavrel::ui::ShowMessageBox(this, QString::fromStdString(text), Text(texts::kProgramName),
                               kavrel::ui::MessageIcon::None, kavrel::ui::MessageButtons::Ok);
  };
  info_.FetchInfo();
  switch (info_.ParseInfo()) {
    case UpdateDecision::NoUpdate:
      Notify(kNoUpdate, 0);
      info_.SendStatus("4");
      break;
    case UpdateDecision::Offer:
      info_.SendStatus("1");
      OfferToClipboard();
      Notify(kOffered, 0);
      break;
    case UpdateDecision::Major:
      OfferToClipboard();
      Notify(kMajor, 0);
      info_.SendStatus("4");
      break;
    case UpdateDecision::Abort:
      done(1);
      break;
    case UpdateDecision::Unconditional:
      kavrel::desktop::SendMessage(commandLine_.callerWindow, kavrel::desktop::kWmClose, 0, 0);
      BeginUpdate();
      break;
  }
}

void UpdaterDialog::Notify(int code, std::int64_t value) {
  kavrel::desktop::SendMessage(commandLine_.callerWindow, noticeMessage_, code, value);
}

void UpdaterDialog::OfferToClipboard() {
  // When the clipboard cannot be written the notice goes out all the same.
  kavrel::desktop::SetClipboardText(OfferText(info_.preInfo));
}

std::int64_t UpdaterDialog::HandleMessage(unsigned message, std::int64_t wParam, std::int64_t lParam) {
  if (message == noticeMessage_)
    OnCommand(wParam, lParam);
  else if (message == kavrel::desktop::kWmClose)
    OnClose();
  return 0;
}

void UpdaterDialog::OnCommand(std::int64_t code, std::int64_t value) {
  if (code == kStartUpdate) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
    showNormal();
    raise();
    activateWindow();
    // A second start while a file is on its way would pull the transfer from under the
    // worker: it only brings the window up.
    if (!worker_) BeginUpdate();
  } else if (code == kSetInstallProgress) {
    installBar_->setValue(static_cast<int>(std::clamp<std::int64_t>(value, installBar_->minimum(), installBar_->maximum())));
  }
}

void UpdaterDialog::OnClose() {
  if (worker_) {
    cancelRequested_ = true;
    closeRequested_ = true;
  } else {
    done(1);
  }
}

void UpdaterDialog::closeEvent(QCloseEvent* event) {
  event->ignore();  // the window closes through done()
  OnClose();
}

void UpdaterDialog::reject() {
  if (worker_)
    cancelRequested_ = true;
  else
    done(2);
}

void UpdaterDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;  // Enter does nothing
  QDialog::keyPressEvent(event);
}

void UpdaterDialog::BeginUpdate() {
  info_.SendStatus("5");
  serverHost_ = info_.serverHost;
  userId_ = info_.userId;
  password_ = info_.password;
  downloadPath_ = info_.patchPath2;
  downloadSize_ = info_.patchSize2;
  downloader_ = std::make_unique<FileDownloader>(serverHost_, userId_, password_);
  std::error_code ec;
  std::filesystem::create_directory(kDownloadFolder, ec);  // an existing one is used as it is
  StartDownload();
  if (!info_.patchPath1.empty()) secondFilePending_ = true;
}

void UpdaterDialog::StartDownload() {
  std::string name = LocalFileName(downloadPath_);
  if (!localPath_.empty()) previousLocalPath_ = localPath_;
  // A name that is no plain file name stays empty: the worker refuses it.
  localPath_ = name.empty() ? std::string() : std::string(kDownloadFolder) + "/" + name;
  downloader_->requestPath = downloadPath_;
  downloader_->localPath = localPath_;
  downloader_->expectedSize = downloadSize_;
  downloadBar_->setRange(0, ProgressMaximum(downloadSize_));
  downloadBar_->setValue(0);
  latestBlock_ = 0;
  worker_ = std::make_unique<std::thread>(&UpdaterDialog::RunDownload, this);
  cancelButton_->setEnabled(true);
  if (previousLocalPath_.empty()) SetStage(texts::kDownloading, boldFont_);
}

void UpdaterDialog::RunDownload() {
  DownloadResult result;
  if (downloader_->localPath.empty()) {
    result.errorNumber = EINVAL;
    result.reason = "no usable file name in " + downloader_->requestPath;
  } else {
    result = downloader_->Download(cancelRequested_, [this](int block) {
      latestBlock_ = block;
      if (!progressPosted_.exchange(true))
        kavrel::ui::PostToGui(this, [this] {
          progressPosted_ = false;
          downloadBar_->setValue(std::min(latestBlock_.load(), downloadBar_->maximum()));
        });
    });
  }
  if (result.outcome != DownloadResult::Outcome::Failed) {
    closeAfterError_ = false;
    ArmTimer1();
    return;
  }
  // The error routine.
  std::fprintf(stderr, "pupdater: download of %s failed: %s\n", downloader_->requestPath.c_str(), result.reason.c_str());
  std::error_code ec;
  if (!downloader_->localPath.empty()) std::filesystem::remove(downloader_->localPath, ec);
  if (!info_.SendErrorReport(texts::kReportConnectionFailed)) {
    failedSilently_ = true;  // no message; the window stays and can be closed
    ArmTimer1();
    return;
  }
  QString text = QString("%1   error:%2").arg(Text(texts::kConnectionFailed)).arg(result.errorNumber);
  kavrel::ui::PostToGui(this, [this, text] { ShowDownloadError(text); });
}

void UpdaterDialog::ShowDownloadError(const QString& text) {
  kavrel::ui::ShowMessageBox(this, text, Text(texts::kProgramName), kavrel::ui::MessageIcon::None,
                             kavrel::ui::MessageButtons::Ok);
  closeAfterError_ = true;
  timer1_.start(200);
}

void UpdaterDialog::ArmTimer1() {
  kavrel::ui::PostToGui(this, [this] { timer1_.start(200); });
}

void UpdaterDialog::CollectWorker() {
  if (worker_) worker_->join();
  worker_.reset();
}

void UpdaterDialog::OnTimer1() {
  timer1_.stop();
  if (closeRequested_) {
    CollectWorker();
    done(1);
    return;
  }
  if (cancelRequested_) {
    CollectWorker();
    cancelRequested_ = false;
    SetStage(texts::kDownloadCancelled, boldFont_);
    return;
  }
  CollectWorker();
  if (closeAfterError_) {
    done(1);
  } else if (failedSilently_) {
    failedSilently_ = false;
  } else if (secondFilePending_) {
    downloadPath_ = info_.patchPath1;
    downloadSize_ = info_.patchSize1;
    StartDownload();
    secondFilePending_ = false;
  } else {
    SetStage(texts::kDownloadComplete, regularFont_);
    info_.SendStatus("6");
    Notify(kDownloaded, 0);
  }
}

}  // namespace updater
