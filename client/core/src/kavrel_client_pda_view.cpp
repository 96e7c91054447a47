#include "kavrel_client_pda_view.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "kavrel/clock.h"
#include "kavrel/cursor.h"
#include "kavrel/ui/gui_thread.h"
#include "kavrel/ui/message_box.h"
#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_app.h"
#include "main_frame.h"
#include "messages.h"
#include "plain_traffic_screen.h"

namespace {
constexpr unsigned kStartDelayMs = 10;
constexpr unsigned kLoaderDelayMs = 50;
constexpr unsigned kNewsDelayMs = 10;
constexpr unsigned kRotationMs = 3000;
constexpr unsigned kRefreshMs = 5000;
constexpr std::uint32_t kRefreshEnableGapMs = 500;
constexpr std::uint32_t kRotationStepMs = 50;
}  // namespace

CKavrelClientPDAView::CKavrelClientPDAView(CKavrelClientPDAApp& app, CMainFrame& frame)
    : QWidget(&frame), app_(app), frame_(frame) {
  setObjectName(QStringLiteral("view"));
  setFixedWidth(240);
  timers_ = new kavrel::ui::ViewTimers(this, [this](unsigned id) { OnTimer(id); });
  CreateControls();
  averageCharWidth_ = QFontMetrics(newsFlash_->font()).averageCharWidth();
  app_.trafficManager.SetView(this);
}

CKavrelClientPDAView::~CKavrelClientPDAView() { app_.trafficManager.SetView(nullptr); }

void CKavrelClientPDAView::CreateControls() {
  auto button = [this](int id, const char* text, const char* name, QRect place) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setObjectName(QLatin1String(name));
    b->setProperty("controlId", id);
    b->setGeometry(place);
    b->hide();
    return b;
  };
  closeButton_ = button(kCloseButton, "나가기", "closeButton", {217, 297, 21, 20});
  menuButton_ = button(kMenuButton, "메뉴", "menuButton", {2, 297, 21, 20});
  loginButton_ = button(kLoginButton, "로그인", "loginButton", {45, 185, 70, 70});
  joinButton_ = button(kJoinButton, "가입", "joinButton", {122, 185, 70, 70});
  cctvButton_ = button(kCctvButton, "동영상", "cctvButton", {213, 124, 24, 24});
  roadButton_ = button(kRoadButton, "대로등", "roadButton", {208, 227, 24, 24});
  routeButton_ = button(kRouteButton, "가까운길", "routeButton", {208, 174, 24, 24});
  idSearchButton_ = button(kIdSearchButton, "찾기", "idSearchButton", {72, 153, 100, 27});

  newsFlash_ = new QLabel(this);
  newsFlash_->setObjectName(QStringLiteral("newsFlash"));
  newsFlash_->setProperty("controlId", int{kNewsFlash});
  newsFlash_->setGeometry(3, 270, 234, 23);
  newsFlash_->setStyleSheet(QStringLiteral("background: black; color: rgb(54, 255, 55);"));
  newsFlash_->hide();

  idEdit_ = new QLineEdit(this);
  idEdit_->setObjectName(QStringLiteral("idEdit"));
  idEdit_->setProperty("controlId", int{kIdEdit});
  idEdit_->setGeometry(77, 120, 98, 18);
  idEdit_->hide();

  connect(loginButton_, &QPushButton::clicked, this, [this] { OnLoginButton(); });
  connect(closeButton_, &QPushButton::clicked, &frame_, [this] { frame_.close(); });
  menuButton_->setEnabled(false);  // until loading ends
}

QWidget* CKavrelClientPDAView::Control(int id) const {
  for (QWidget* w : findChildren<QWidget*>())
    if (w->property("controlId").toInt() == id) return w;
  return nullptr;
}

void CKavrelClientPDAView::ShowLoginControls(bool show) {
  for (QWidget* w : {static_cast<QWidget*>(loginButton_), static_cast<QWidget*>(joinButton_),
                     static_cast<QWidget*>(idEdit_), static_cast<QWidget*>(idSearchButton_)})
    w->setVisible(show);
  if (show) idEdit_->setFocus();
}

void CKavrelClientPDAView::ShowTrafficControls() {
  newsFlash_->setVisible(app_.newsFlash.show != 0);
  for (QWidget* w : {static_cast<QWidget*>(menuButton_), static_cast<QWidget*>(closeButton_),
                     static_cast<QWidget*>(cctvButton_), static_cast<QWidget*>(roadButton_),
                     static_cast<QWidget*>(routeButton_)})
    w->show();
}

// ---- Start ----

void CKavrelClientPDAView::OnInitialUpdate() {
  app_.network.ZMNTP_Init();
  app_.serverAddress = app_.settings.ServerAddress();
  app_.autoLogin = app_.settings.AutoLogin();
  app_.loginId = app_.settings.LoginId();
  update();

  if (app_.settings.TickerStart() != 0 && app_.autoLogin != 0) {
    kavrel::SetWaitCursor();
    if (app_.trafficManager.Login(app_.loginId)) {
      StartSequenceTrigger();
      return;
    }
    ShowLoginControls(true);
    kavrel::SetArrowCursor();
    return;
  }
  ShowLoginControls(true);
}

void CKavrelClientPDAView::OnLoginButton() {
  const QString id = idEdit_->text();
  if (id.isEmpty()) {
    kavrel::ui::ShowMessageBox(this, QString::fromUtf8(client::messages::kEnterId),
                               QString::fromUtf8(client::messages::kCaption), kavrel::ui::MessageIcon::Information);
    return;
  }
  kavrel::SetWaitCursor();
  if (app_.trafficManager.Login(id)) {
    loggedIn_ = true;
    StartSequenceTrigger();
  } else {
    kavrel::SetArrowCursor();
  }
}

void CKavrelClientPDAView::StartSequenceTrigger() {
  app_.trafficManager.FetchServerLimits();
  ShowLoginControls(false);
  timers_->SetTimer(kStartTimer, kStartDelayMs);
}

// ---- Timers ----

void CKavrelClientPDAView::OnTimer(unsigned id) {
  switch (id) {
    case kStartTimer:
      timers_->KillTimer(kStartTimer);
      OnStartTimer();
      break;
    case kLoaderTimer:
      timers_->KillTimer(kLoaderTimer);
      app_.trafficManager.StartLoader([this] { LoaderThread(); });
      break;
    case kNewsTimer:
      timers_->KillTimer(kNewsTimer);
      OnNewsTimer();
      break;
    case kRotationTimer:
      Rotate();
      break;
    case kRefreshTimer:
      app_.trafficManager.RefreshCheck();
      break;
    default:
      break;
  }
}

void CKavrelClientPDAView::OnStartTimer() {
  CTrafficManager& tm = app_.trafficManager;
  tm.LoadSelections();
  tm.UploadSelection(0, 0, 0, CTrafficManager::Upload::Load);
  tm.FetchRelayAddress();
  tm.FetchCctvCatalogue();
  for (int type : {CTrafficManager::kNews, CTrafficManager::kRoads, CTrafficManager::kCameras,
                   CTrafficManager::kRoutes})
    tm.FetchCategory(type, true);

  app_.flags.showTraffic.store(true);
  timers_->SetTimer(kLoaderTimer, kLoaderDelayMs);
  kavrel::ui::HideInputPanel();
  frame_.FullScreen(true);
  update();
  ShowTrafficControls();
}

// The loader thread: the rest of every category's first buffer, then rotation,
// refresh and the news flash are let loose in this order.
void CKavrelClientPDAView::LoaderThread() {
  CTrafficManager& tm = app_.trafficManager;
  timers_->PostSetTimer(kRotationTimer, kRotationMs);
  for (int type : {CTrafficManager::kRoads, CTrafficManager::kCameras, CTrafficManager::kRoutes})
    tm.FetchCategory(type, true);
  const std::uint32_t now = kavrel::GetTickCount();
  for (int type : {CTrafficManager::kRoads, CTrafficManager::kCameras, CTrafficManager::kRoutes})
    tm.MarkRefreshed(type, now);
  timers_->PostSetTimer(kRefreshTimer, kRefreshMs);
  InvalidateRect(RoadArea());
  InvalidateRect(RouteArea());
  InvalidateRect(CctvNameArea());
  app_.flags.itemsLoaded.store(true, std::memory_order_release);
  timers_->PostSetTimer(kNewsTimer, kNewsDelayMs);
  kavrel::Sleep(kRefreshEnableGapMs);
  app_.flags.refreshEnabled.store(true, std::memory_order_release);
}

void CKavrelClientPDAView::OnNewsTimer() {
  app_.trafficManager.FetchCategory(CTrafficManager::kNews, false);
  menuButton_->setEnabled(true);
  kavrel::SetArrowCursor();
}

void CKavrelClientPDAView::Rotate() {
  if (app_.flags.dialogOpen.load() || !app_.flags.itemsLoaded.load(std::memory_order_acquire)) return;
  CTrafficManager& tm = app_.trafficManager;
  tm.cameras.Advance();
  kavrel::Sleep(kRotationStepMs);
  tm.roads.Advance();
  update(RoadArea());
  kavrel::Sleep(kRotationStepMs);
  tm.routes.Advance();
  update(RouteArea());
}

// ---- Shutdown ----

void CKavrelClientPDAView::OnDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  for (unsigned id : {kStartTimer, kRefreshTimer, kLoaderTimer, kNewsTimer, kRotationTimer}) timers_->KillTimer(id);
  CTrafficManager& tm = app_.trafficManager;
  // The loader's requests end before the logout's: the library serves one at a time.
  tm.JoinLoader();
  tm.Logout();
  app_.network.ZMNTP_Destroy();
  tm.DeleteItems();
}

// ---- Painting ----

void CKavrelClientPDAView::InvalidateView() {
  if (kavrel::ui::OnGuiThread())
    update();
  else
    kavrel::ui::PostToGui(this, [this] { update(); });
}

void CKavrelClientPDAView::InvalidateRect(const QRect& area) {
  if (kavrel::ui::OnGuiThread())
    update(area);
  else
    kavrel::ui::PostToGui(this, [this, area] { update(area); });
}

void CKavrelClientPDAView::ApplyNewsFlash(const CNewsFlash& news) {
  newsFlash_->setText(news.text);
  newsFlash_->setVisible(news.show != 0 && app_.flags.showTraffic.load());
}

void CKavrelClientPDAView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (app_.flags.showTraffic.load())
    PlainTrafficScreen::PaintTraffic(painter, app_.trafficManager);
  else
    PlainTrafficScreen::PaintLogin(painter, rect());
}
