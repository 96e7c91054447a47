#include "main_frame.h"

#include <QCloseEvent>
#include <QToolBar>

#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_view.h"

namespace {
// The handheld's work area: below the task bar, above the command bar.
constexpr int kScreenWidth = 240;
constexpr int kWorkAreaTop = kavrel::ui::kShellBarHeight;
constexpr int kWorkAreaHeight = 320 - 2 * kavrel::ui::kShellBarHeight;
}  // namespace

CMainFrame::CMainFrame(CKavrelClientPDAApp& app) {
  commandBar_ = new QToolBar(this);
  commandBar_->setObjectName(QStringLiteral("commandBar"));
  commandBar_->setMovable(false);
  // The handheld's command bar lies below the frame, outside its work area; here it has
  // nothing to show, so it takes no room from the view (the login screen needs all 268
  // pixels of the work area).
  commandBar_->setFixedHeight(0);
  addToolBar(Qt::BottomToolBarArea, commandBar_);
  view_ = new CKavrelClientPDAView(app, *this);
  setCentralWidget(view_);
  setWindowTitle(QString::fromUtf8(kTitle));
  setGeometry(0, kWorkAreaTop, kScreenWidth, kWorkAreaHeight);
}

CMainFrame::~CMainFrame() { view_->OnDestroy(); }

void CMainFrame::FullScreen(bool on) { kavrel::ui::SetFullScreen(this, commandBar_, on); }

void CMainFrame::closeEvent(QCloseEvent* event) {
  view_->OnDestroy();
  event->accept();
}
