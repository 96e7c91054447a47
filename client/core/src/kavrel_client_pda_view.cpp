#include "kavrel_client_pda_view.h"

#include <QLineEdit>
#include <QMenu>
#include <QPainter>

#include "kavrel/clock.h"
#include "kavrel/cursor.h"
#include "kavrel/handheld_path.h"
#include "kavrel/ui/gui_thread.h"
#include "kavrel/ui/message_box.h"
#include "kavrel/ui/shell.h"
#include "kavrel_client_pda_app.h"
#include "main_frame.h"
#include "messages.h"
#include "skin_button.h"
#include "ticker_ctrl.h"
#include "ticker_display.h"

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
  LayOut();
  CreateMenu();
  averageCharWidth_ = newsFlash_->AverageCharWidth();
  app_.trafficManager.SetView(this);
}

CKavrelClientPDAView::~CKavrelClientPDAView() { app_.trafficManager.SetView(nullptr); }

// Every child control, hidden until a screen shows it.
void CKavrelClientPDAView::CreateControls() {
  for (const panel::ButtonPlace& b : panel::kButtons) {
    auto* button = new SkinButton(QString::fromUtf8(b.text), this);
    button->setObjectName(QLatin1String(b.skinName));
    button->setProperty("controlId", int{b.id});
    button->hide();
    connect(button, &QAbstractButton::clicked, this, [this, id = b.id] { OnCommand(id); });
    switch (b.id) {
      case panel::kCloseButton: closeButton_ = button; break;
      case panel::kMenuButton: menuButton_ = button; break;
      case panel::kLoginButton: loginButton_ = button; break;
      case panel::kJoinButton: joinButton_ = button; break;
      case panel::kCctvButton: cctvButton_ = button; break;
      case panel::kRoadButton: roadButton_ = button; break;
      case panel::kRouteButton: routeButton_ = button; break;
      case panel::kIdSearchButton: idSearchButton_ = button; break;
      default: break;
    }
  }
  newsFlash_ = new CTickerCtrl(this);
  newsFlash_->setObjectName(QStringLiteral("newsFlash"));
  newsFlash_->setProperty("controlId", int{panel::kNewsFlashControl});
  newsFlash_->SetPausedFlag(&app_.flags.tickerPaused);
  newsFlash_->hide();

  idEdit_ = new QLineEdit(this);
  idEdit_->setObjectName(QStringLiteral("idEdit"));
  idEdit_->setProperty("controlId", int{panel::kIdEdit});
  idEdit_->hide();
}

// Places the controls and loads the skin: each button's pair of pictures, the
// backgrounds of both screens.
void CKavrelClientPDAView::LayOut() {
  const QString skin = QString::fromStdString(kavrel::HandheldPath(panel::kSkinDirectory).string()) + QLatin1Char('/');
  for (const panel::ButtonPlace& b : panel::kButtons) {
    auto* button = static_cast<SkinButton*>(Control(b.id));
    const QString name = skin + QLatin1String(b.skinName);
    const QString second = name + QLatin1String("_2.bmp");
    button->Load(name + QLatin1String("_1.bmp"), second, second);
    button->setGeometry(b.place);
  }
  mainBitmap_ = LoadSkinBitmap(skin + QLatin1String(panel::kMainBitmap));
  newsFlash_->setGeometry(panel::kNewsFlashPlace);
  newsFlash_->ResetPosition();
  loginBitmap_ = LoadSkinBitmap(skin + QLatin1String(panel::kLoginBitmap));
  idFieldBitmap_ = LoadSkinBitmap(skin + QLatin1String(panel::kIdFieldBitmap));
  idEdit_->setGeometry(panel::kIdEditPlace);
  menuButton_->setEnabled(false);  // until loading ends
  update();
}

void CKavrelClientPDAView::CreateMenu() {
  menu_ = new QMenu(QStringLiteral("전체메뉴"), this);
  const std::pair<int, const char*> entries[] = {{kSettingsCommand, "설정"},
                                                 {kChangeMembershipCommand, "가입 정보 변경"},
                                                 {kAboutCommand, "프로그램 정보"},
                                                 {kExitCommand, "끝내기"}};
  for (const auto& [id, text] : entries) {
    QAction* action = menu_->addAction(QString::fromUtf8(text));
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
  }
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
  InvalidateRect(panel::kRoadAreaRect);
  InvalidateRect(panel::kRouteAreaRect);
  InvalidateRect(panel::kCctvNameRect);
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
  update(panel::kRoadAreaRect);
  kavrel::Sleep(kRotationStepMs);
  tm.routes.Advance();
  update(panel::kRouteAreaRect);
}

// ---- Shutdown ----

void CKavrelClientPDAView::OnDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  newsFlash_->Stop();
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
  if (news.show != 0) {
    newsFlash_->SetText(news.text);
    newsFlash_->SetWidth(news.width);
    newsFlash_->Start();
  } else {
    newsFlash_->PauseAndHide();
  }
}

void CKavrelClientPDAView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (app_.flags.showTraffic.load()) {
    panel::PaintTrafficScreen(painter, panel::ShownTraffic(app_.trafficManager, mainBitmap_));
  } else {
    panel::PaintLoginScreen(painter, {loginBitmap_, idFieldBitmap_, app_.autoLogin == 0 && !loggedIn_});
  }
}

// ---- Commands ----

bool CKavrelClientPDAView::CategoryEnabled(int type) const {
  const CTrafficManager& tm = app_.trafficManager;
  switch (type) {
    case CTrafficManager::kRoads: return tm.roads.categoryEnabled.load();
    case CTrafficManager::kCameras: return tm.cameras.categoryEnabled.load();
    case CTrafficManager::kRoutes: return tm.routes.categoryEnabled.load();
    default: return false;
  }
}

template <typename Run>
void CKavrelClientPDAView::RunModal(const char* navTitle, bool leaveFullScreen, Run run) {
  if (navTitle) kavrel::ui::SetNavBarTitle(this, QString::fromUtf8(navTitle));
  if (leaveFullScreen) frame_.FullScreen(false);
  app_.flags.dialogOpen.store(true);
  run();
  app_.flags.dialogOpen.store(false);
  if (leaveFullScreen) frame_.FullScreen(true);
}

void CKavrelClientPDAView::OnCommand(int id) {
  constexpr const char* kRoadTitle = "대로/다리/터널 소통 정보";
  constexpr const char* kRouteTitle = "빠른길/가까운길 소통 정보";
  constexpr const char* kCctvTitle = "CCTV 동영상 보기";
  switch (id) {
    case kSettingsCommand:
      RunModal("설정", true, [this] { dialogs_->Settings(this); });
      break;
    case kChangeMembershipCommand:
      if (dialogs_->GetMemberInformation()) RunModal(nullptr, true, [this] { dialogs_->ChangeMembership(this); });
      break;
    case kAboutCommand:
      RunModal("교통 정보 티커", true, [this] { dialogs_->About(this); });
      break;
    case kExitCommand:
    case panel::kCloseButton:
      frame_.close();
      break;
    case kRoadDetailCommand:
    case panel::kRoadButton:
      if (CategoryEnabled(CTrafficManager::kRoads)) RunModal(kRoadTitle, true, [this] { dialogs_->RoadInfo(this); });
      break;
    case kRouteDetailCommand:
    case panel::kRouteButton:
      if (CategoryEnabled(CTrafficManager::kRoutes)) RunModal(kRouteTitle, true, [this] { dialogs_->RouteInfo(this); });
      break;
    case kCctvVideoCommand:
      if (!CategoryEnabled(CTrafficManager::kCameras)) break;
      RunModal(kCctvTitle, true, [this] {
        QString name;
        if (!dialogs_->CctvVideo(this, name) || name.isEmpty()) return;
        // Open camera by name: the first camera on screen with that name.
        if (const CctvItem* camera = app_.trafficManager.FindDisplayedCamera(name))
          dialogs_->CctvScreen(this, camera->cameraId);
      });
      break;
    case panel::kCctvButton:
      if (!CategoryEnabled(CTrafficManager::kCameras)) break;
      RunModal(kCctvTitle, true, [this] {
        QString name;
        dialogs_->CctvVideo(this, name);
      });
      break;
    case panel::kMenuButton:
      menu_->popup(mapToGlobal(kMenuPosition));
      break;
    case panel::kLoginButton:
      OnLoginButton();
      break;
    case panel::kJoinButton:
      RunModal("가입", false, [this] { dialogs_->Join(this); });
      break;
    case panel::kIdSearchButton: {
      QString found;
      RunModal(nullptr, false, [this, &found] {
        if (!dialogs_->FindId(this, found)) found.clear();
      });
      kavrel::ui::SetNavBarTitle(this, QString::fromUtf8(client::messages::kCentreCaption));
      idEdit_->setText(found);
      break;
    }
    default:
      break;
  }
}
