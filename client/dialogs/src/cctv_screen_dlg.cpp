#include "cctv_screen_dlg.h"

#include <QVBoxLayout>

#include "kavrel/ui/shell.h"
#include "kavrel/ui/view_timers.h"
#include "kavrel_client_pda_app.h"
#include "video_area.h"
#include "viewer_texts.h"

namespace {
const QColor kBackground(0, 102, 204);
}

CctvScreenDlg::CctvScreenDlg(CKavrelClientPDAApp& app, QWidget* parent, std::uint32_t cameraId)
    : QDialog(parent), app_(app), cameraId_(cameraId) {
  setFixedSize(viewer::kDialogWidth, viewer::kDialogHeight);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  palette.setColor(QPalette::WindowText, Qt::white);
  setPalette(palette);
  setAutoFillBackground(true);
  // The dialog's own window takes the pictures: the whole dialog is the video area.
  videoArea_ = new VideoArea(this, false, kBackground);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(videoArea_);

  app_.flags.dialogOpen.store(true);
  kavrel::ui::SetNavBarTitle(this, QString::fromUtf8(viewer::kNavTitle));
  timers_ = new kavrel::ui::ViewTimers(this, [this](unsigned id) { OnTimer(id); });
  timers_->SetTimer(kStartTimer, kStartDelayMs);
}

CctvScreenDlg::~CctvScreenDlg() {
  Leave();
  app_.flags.dialogOpen.store(false);
}

void CctvScreenDlg::OnTimer(unsigned id) {
  if (id != kStartTimer) return;
  timers_->KillTimer(kStartTimer);
  if (!left_) app_.trafficManager.StartVideo(cameraId_, videoArea_->handle());
}

// Nobody watches a session once the dialog has closed.
void CctvScreenDlg::Leave() {
  if (left_) return;
  left_ = true;
  app_.trafficManager.StopVideo(cameraId_, nullptr, nullptr, false);
}

void CctvScreenDlg::done(int result) {
  Leave();
  QDialog::done(result);
}
