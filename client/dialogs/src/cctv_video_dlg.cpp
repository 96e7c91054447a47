#include "cctv_video_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <chrono>

#include "kavrel/cursor.h"
#include "kavrel/ui/gui_thread.h"
#include "kavrel/ui/message_box.h"
#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_app.h"
#include "messages.h"
#include "video_area.h"
#include "viewer_texts.h"

namespace {
constexpr auto kWatchdogPoll = std::chrono::milliseconds(500);
}

CctvVideoDlg::CctvVideoDlg(CKavrelClientPDAApp& app, QWidget* parent, bool presetMode, std::uint32_t cameraId)
    : QDialog(parent), app_(app), presetMode_(presetMode), cameraId_(cameraId) {
  setWindowTitle(QString::fromUtf8(viewer::kVideoCaption));
  setFixedSize(viewer::kDialogWidth, viewer::kDialogHeight);
  kavrel::SetWaitCursor();

  listLabel_ = new QLabel(QString::fromUtf8(viewer::kCameraListLabel), this);
  listLabel_->setGeometry(8, 6, 224, 18);
  combo_ = new QComboBox(this);
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  combo_->setGeometry(8, 26, 224, 26);
  videoArea_ = new VideoArea(this);
  videoArea_->setGeometry(30, 60, 180, 148);  // room for a 176 x 144 picture at (1, 1)
  stopButton_ = new QPushButton(QString::fromUtf8(viewer::kStopVideo), this);
  stopButton_->setGeometry(20, 218, 110, 28);
  auto* ok = new QPushButton(QString::fromUtf8(viewer::kOk), this);
  ok->setGeometry(140, 218, 80, 28);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(stopButton_, &QPushButton::clicked, this, [this] { OnStop(); });

  if (presetMode_) {
    listLabel_->hide();
    combo_->hide();
  } else {
    const CTrafficManager& tm = app_.trafficManager;
    QStringList names;
    for (const auto& item : tm.cameras.Displayed()) names << item->name;
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    combo_->addItems(names);
    if (const CctvItem* shown = tm.cameras.Shown()) curIndex_ = combo_->findText(shown->name, Qt::MatchExactly);
    combo_->setCurrentIndex(curIndex_);
    connect(combo_, &QComboBox::activated, this, [this](int index) { OnCameraChosen(index); });
    // Typing changes nothing: the text always comes from the list.
    connect(combo_->lineEdit(), &QLineEdit::textEdited, this,
            [this] { combo_->lineEdit()->setText(combo_->itemText(curIndex_)); });
  }
}

CctvVideoDlg::~CctvVideoDlg() {
  Leave();
  kavrel::SetArrowCursor();
}

void CctvVideoDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  kavrel::ui::SetNavBarTitle(this, QString::fromUtf8(viewer::kNavTitle));
  // After the dialog is on screen, so that a failure's box has it behind.
  kavrel::ui::PostToGui(this, [this] { Start(); });
}

void CctvVideoDlg::Start() {
  if (left_) return;
  if (presetMode_)
    StartPreset();
  else
    StartList();
}

void CctvVideoDlg::StartList() {
  CTrafficManager& tm = app_.trafficManager;
  tm.videoTimeLimit.store(0);
  cameraName_ = combo_->currentText();
  for (const auto& item : tm.cameras.Displayed())
    if (item->name == cameraName_) {
      cameraId_ = item->cameraId;
      break;
    }
  StartVideo();
}

void CctvVideoDlg::StartPreset() { StartVideo(); }

void CctvVideoDlg::StartVideo() {
  if (!app_.trafficManager.StartVideo(cameraId_, videoArea_->handle()))
    kavrel::ui::ShowMessageBox(this, QString::fromUtf8(viewer::kVideoFailed), QString::fromUtf8(client::messages::kCaption),
                               kavrel::ui::MessageIcon::None, kavrel::ui::MessageButtons::Ok);
  StartWatchdog();
}

void CctvVideoDlg::OnCameraChosen(int index) {
  if (left_) return;
  curIndex_ = index;
  combo_->setCurrentIndex(index);
  app_.trafficManager.StopVideo(cameraId_, nullptr, nullptr, false);
  update();
  videoArea_->Clear();
  StartList();
}

void CctvVideoDlg::OnStop() {
  update();
  videoArea_->Clear();
  app_.trafficManager.StopVideo(cameraId_, nullptr, nullptr, false);
}

// ---- Viewing time ----

void CctvVideoDlg::StartWatchdog() {
  if (watchdog_.joinable() || left_) return;
  {
    std::lock_guard lock(watchdogMutex_);
    stopWatchdog_ = false;
  }
  watchdog_ = std::thread([this] { WatchdogLoop(); });
}

bool CctvVideoDlg::watchdogRunning() const { return watchdog_.joinable(); }

void CctvVideoDlg::WatchdogLoop() {
  std::unique_lock lock(watchdogMutex_);
  while (!stopWatchdog_) {
    if (!questionPosted_.load() && app_.trafficManager.VideoTimeUp()) {
      questionPosted_.store(true);
      // Runs unless the dialog has gone by then; the join below comes first.
      kavrel::ui::PostToGui(this, [this] { OnTimeUp(); });
    }
    watchdogLooks_.fetch_add(1);
    watchdogWake_.wait_for(lock, kWatchdogPoll, [this] { return stopWatchdog_; });
  }
}

void CctvVideoDlg::StopWatchdog() {
  if (!watchdog_.joinable()) return;
  {
    std::lock_guard lock(watchdogMutex_);
    stopWatchdog_ = true;
  }
  watchdogWake_.notify_all();
  watchdog_.join();
}

void CctvVideoDlg::OnTimeUp() {
  CTrafficManager& tm = app_.trafficManager;
  if (left_ || asking_ || !tm.VideoTimeUp()) {
    questionPosted_.store(false);
    return;
  }
  asking_ = true;
  QPointer<CctvVideoDlg> self(this);
  // The question; OK starts the video again, Cancel posts the dialog's close.
  tm.StopVideo(cameraId_, videoArea_, this, true);
  if (!self) return;
  asking_ = false;
  if (!left_) {
    tm.RestartVideoClock();
    videoArea_->Clear();
  }
  questionPosted_.store(false);
}

void CctvVideoDlg::Leave() {
  if (left_) return;
  left_ = true;
  app_.trafficManager.StopVideo(cameraId_, nullptr, nullptr, false);
  StopWatchdog();
}

void CctvVideoDlg::done(int result) {
  Leave();
  QDialog::done(result);
}
