#include "traffic_manager.h"

#include <QPointer>
#include <QWidget>

#include <memory>

#include "ansi_text.h"
#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/cursor.h"
#include "kavrel/little_endian.h"
#include "kavrel/ui/gui_thread.h"
#include "kavrel/ui/message_box.h"
#include "kavrel_client_pda_app.h"
#include "messages.h"
#include "protocol/commands.h"
#include "protocol/one_step_record.h"
#include "protocol/video.h"
#include "row_entry.h"
#include "traffic_view.h"

namespace msg = client::messages;
using kavrel::ui::MessageAnswer;
using kavrel::ui::MessageButtons;
using kavrel::ui::MessageIcon;

namespace {

constexpr std::uint32_t kFailWaitMs = 1000;
constexpr std::uint32_t kLongFailWaitMs = 3000;
constexpr std::uint32_t kVideoLimitMs = 60000;
constexpr std::uint32_t kCatalogueKind = 3;

void Inform(const char* text, QWidget* owner = nullptr) {
  kavrel::ui::ShowMessageBox(owner, QString::fromUtf8(text), QString::fromUtf8(msg::kCaption),
                             MessageIcon::Information);
}

// Body of the road speed and search requests: the text (127 bytes at most) and its NUL.
std::array<std::uint8_t, protocol::kTextBodySize> TextBody(const QString& text) {
  std::array<std::uint8_t, protocol::kTextBodySize> body{};
  kavrel::WriteCp949Field(body.data(), body.size(), client::ToAnsiLossy(text));
  return body;
}

bool IsShown(QString& rest) { return client::TakeField(rest) == QLatin1String("true"); }

std::unique_ptr<RoadItem> MakeRoad(QString rest) {
  const QString kind = client::TakeField(rest);
  const int k = kind == QStringLiteral("대 로") ? 1 : kind == QStringLiteral("다 리") ? 2 : 3;
  return std::make_unique<RoadItem>(k, client::TakeField(rest));
}

std::unique_ptr<RouteItem> MakeRoute(QString rest, int position, bool emptyIsShortest) {
  auto item = std::make_unique<RouteItem>();
  const QString kind = client::TakeField(rest);
  item->kind = (kind == QStringLiteral("가까운길") || (emptyIsShortest && kind.isEmpty())) ? 0 : 1;
  item->originName = client::TakeField(rest);
  item->originId = static_cast<std::uint32_t>(client::AnsiToInt(client::TakeField(rest)));
  item->destinationName = client::TakeField(rest);
  item->destinationId = static_cast<std::uint32_t>(client::AnsiToInt(client::TakeField(rest)));
  item->position = position;
  return item;
}

std::unique_ptr<CctvItem> MakeCamera(QString rest) {
  QString name = client::TakeField(rest);
  return std::make_unique<CctvItem>(name, static_cast<std::uint32_t>(client::AnsiToInt(client::TakeField(rest))));
}

// Walks settings rows into a buffer: rows not starting with "true" are skipped; the
// walk stops once the buffer holds `limit` items (no limit when limit is 0).
template <typename Item, typename Make>
void TakeRows(const QStringList& rows, std::vector<std::unique_ptr<Item>>& buffer, std::size_t limit, Make make) {
  for (const QString& row : rows) {
    if (limit && buffer.size() >= limit) break;
    QString rest = row;
    if (!IsShown(rest)) continue;
    buffer.push_back(make(rest, static_cast<int>(buffer.size())));
  }
}

}  // namespace

CTrafficManager::CTrafficManager(CKavrelClientPDAApp& app) : app_(app) {}

CTrafficManager::~CTrafficManager() { JoinLoader(); }

std::string CTrafficManager::ServerAddressText() const { return client::ToAnsiLossy(app_.serverAddress); }

CTrafficManager::Exchange CTrafficManager::Request(unsigned long code, void* body) {
  Exchange ex;
  std::string address = ServerAddressText();
  unsigned long count = 0;
  ex.result = app_.network.SendCmd(address.data(), kPort, code, &count, body);
  if (ex.result != RESULT_OK) return ex;
  const std::size_t unit = ZMNTP_ResultUnit(code);
  ex.reply.assign(static_cast<std::size_t>(count) * unit, 0);
  ex.received = count == 0 || app_.network.GetData(code, nullptr, count, ex.reply.data()) == 0;
  if (!ex.received) ex.reply.clear();
  return ex;
}

void CTrafficManager::Invalidate() {
  if (view_) view_->InvalidateView();
}

// ---- Session ----

bool CTrafficManager::Login(const QString& id) {
  std::optional<std::string> ansiId = client::ToAnsi(id);
  if (!ansiId) {
    Inform(msg::kIdNotKorean);
    return false;
  }
  // The id and its NUL must fit the field: a cut id would log in as someone else.
  if (ansiId->size() >= protocol::kLoginIdSize || ansiId->find('\0') != std::string::npos) {
    Inform(msg::kIdTooLong);
    return false;
  }
  auto record = protocol::WriteLoginRecord({*ansiId, true});
  Exchange ex = Request(CMD_USER_LOGIN, record.data());
  if (ex.result != RESULT_OK) {
    if (ex.result == RESULT_CONNECT_FAILED) Inform(msg::kConnectFailed);
    if (ex.result == RESULT_SEND_FAILED) Inform(msg::kSendFailed);
    kavrel::Sleep(kFailWaitMs);
    return false;
  }
  if (!ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return false;
  }
  if (ex.reply.size() < 4) {
    // No result word in the reply: not a login.
    Inform(msg::kLoginFailed);
    return false;
  }
  switch (kavrel::ReadU32(ex.reply.data(), 0)) {
    case 0:
      app_.settings.SaveLogin(id);
      app_.loginId = id;
      return true;
    case RESULT_NOT_HANDLED:
      return true;
    case 1:
      Inform(msg::kConnectFailed);
      return false;
    case 3:
      Inform(msg::kReceiveFailed);
      return false;
    default:
      Inform(msg::kLoginFailed);
      return false;
  }
}

void CTrafficManager::Logout() {
  auto record = protocol::WriteLoginRecord({client::ToAnsiLossy(app_.loginId), false});
  Exchange ex = Request(CMD_USER_LOGOUT, record.data());
  if (ex.result != RESULT_OK) {
    kavrel::Sleep(kLongFailWaitMs);
    if (ex.result == RESULT_CONNECT_FAILED) Inform(msg::kConnectFailed);
    if (ex.result == RESULT_SEND_FAILED) Inform(msg::kSendFailed);
    return;
  }
  if (!ex.received) kavrel::Sleep(kFailWaitMs);
}

// ---- Requests ----

void CTrafficManager::FetchServerLimits() {
  Exchange ex = Request(CMD_REFRESH_INTERVALS, nullptr);
  std::optional<protocol::ServerLimits> fresh;
  if (ex.result == RESULT_OK && ex.received) fresh = protocol::ReadServerLimits(ex.reply);
  if (!fresh) {
    kavrel::Sleep(kFailWaitMs);
    return;
  }
  limits = *fresh;
  app_.newsFlash.minutes = static_cast<int>(fresh->values[protocol::ServerLimits::kNewsMinutes]);
}

void CTrafficManager::LoadSelections() {
  CSettingsStore& s = app_.settings;
  auto load = [&](auto& category, const char* section, std::uint32_t maximum, auto make) {
    category.seconds = s.ReadSeconds(section);
    const int num = s.ReadNum(section);
    auto& buffer = category.First();
    buffer.clear();
    const std::size_t limit = (num >= 0 && static_cast<std::uint32_t>(num) > maximum) ? maximum : 0;
    TakeRows(s.ReadEntries(section), buffer, limit, make);
    if (buffer.size() > protocol::kOneStepMaxEntries) buffer.resize(protocol::kOneStepMaxEntries);
    category.categoryEnabled.store(!buffer.empty());
  };
  load(routes, CSettingsStore::kRoutes, limits.values[protocol::ServerLimits::kMostRoutes],
       [](QString rest, int position) { return MakeRoute(rest, position, false); });
  load(roads, CSettingsStore::kRoads, limits.values[protocol::ServerLimits::kMostRoads], [](QString rest, int) { return MakeRoad(rest); });
  load(cameras, CSettingsStore::kCameras, limits.values[protocol::ServerLimits::kMostCameras], [](QString rest, int) { return MakeCamera(rest); });
  s.LoadNewsFlash(app_.newsFlash);
}

void CTrafficManager::UploadSelection(int roadBuffer, int cameraBuffer, int routeBuffer, Upload kind) {
  kavrel::SetWaitCursor();
  protocol::OneStepRecord selection;
  for (const auto& item : roads.buffers[roadBuffer ? 1 : 0]) {
    if (selection.roadCount == protocol::kOneStepMaxEntries) break;
    kavrel::WriteCp949Field(selection.roadNames[selection.roadCount++].data(), protocol::kOneStepRoadNameSize,
                            client::ToAnsiLossy(item->name));
  }
  for (const auto& item : routes.buffers[routeBuffer ? 1 : 0]) {
    if (selection.routeCount == protocol::kOneStepMaxEntries) break;
    selection.routeQueries[selection.routeCount++] =
        protocol::WriteRouteQuery({static_cast<std::uint32_t>(item->kind), item->originId, item->destinationId});
  }
  for (const auto& item : cameras.buffers[cameraBuffer ? 1 : 0]) {
    if (selection.cameraCount == protocol::kOneStepMaxEntries) break;
    selection.cameraIds[selection.cameraCount++] = item->cameraId;
  }
  auto upload = selection.ToWireRequest();
  unsigned long count = 0;
  std::string address = ServerAddressText();
  const int result = app_.network.SendCmd(address.data(), kPort,
                                          kind == Upload::Load ? CMD_ONE_STEP_LOAD : CMD_ONE_STEP_RELOAD, &count,
                                          upload.data());
  if (result == RESULT_OK)
    kavrel::SetArrowCursor();
  else
    kavrel::Sleep(kFailWaitMs);
}

void CTrafficManager::FetchRelayAddress() {
  Exchange ex = Request(CMD_TEXT_ITEM_C, nullptr);
  if (ex.result != RESULT_OK) {
    relayAddress.clear();
    kavrel::Sleep(kFailWaitMs);
    return;
  }
  if (!ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return;
  }
  relayAddress = client::FromAnsi(protocol::ReadTextItem(ex.reply).value_or(std::string()));
}

bool CTrafficManager::FetchCctvCatalogue() {
  std::uint8_t body[4];
  kavrel::WriteU32(body, 0, kCatalogueKind);
  Exchange ex = Request(CMD_NAMED_CODE_LIST, body);
  if (ex.result != RESULT_OK || !ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return false;
  }
  for (const protocol::CatalogueEntry& e : protocol::ReadCatalogue(ex.reply)) {
    catalogueNames << client::FromAnsi(e.name);
    catalogueIds.push_back(e.id);
  }
  return true;
}

bool CTrafficManager::FetchPointList(int kind, QStringList& names) {
  std::uint8_t body[4];
  kavrel::WriteU32(body, 0, static_cast<std::uint32_t>(kind));
  Exchange ex = Request(CMD_ROAD_LIST, body);
  if (ex.result != RESULT_OK || !ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return false;
  }
  for (const std::string& name : protocol::ReadPointList(ex.reply)) names << client::FromAnsi(name);
  return true;
}

CTrafficManager::Search CTrafficManager::SearchPoints(const QString& text, QStringList& names,
                                                      std::vector<std::uint32_t>& ids) {
  // A '?' in place of a character would search for something the user did not type.
  const std::optional<std::string> ansi = client::ToAnsi(text);
  if (!ansi) {
    Inform(msg::kSearchNotKorean);
    return Search::Refused;
  }
  std::array<std::uint8_t, protocol::kTextBodySize> body{};
  kavrel::WriteCp949Field(body.data(), body.size(), *ansi);
  Exchange ex = Request(CMD_NODE_INFO, body.data());
  if (ex.result != RESULT_OK || !ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return Search::Failed;
  }
  for (const protocol::SearchResult& r : protocol::ReadSearchReply(ex.reply)) {
    names << client::FromAnsi(r.name);
    ids.push_back(r.id);
  }
  return Search::Answered;
}

void CTrafficManager::FetchNewsText() {
  const int average = view_ ? view_->NewsAverageCharWidth() : 0;
  Exchange ex = Request(CMD_TICKER_TEXT, nullptr);
  if (ex.result != RESULT_OK || !ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return;
  }
  app_.newsFlash.TakeReply(ex.reply, average);
}

// ---- Items ----

void CTrafficManager::FetchRoad(RoadItem& item, bool firstBuffer) {
  auto body = TextBody(item.name);
  std::string address = ServerAddressText();
  unsigned long count = 0;
  if (app_.network.SendCmd(address.data(), kPort, CMD_ROAD_SPEED, &count, body.data()) != RESULT_OK) {
    kavrel::Sleep(kFailWaitMs);
    return;
  }
  item.records.emplace(static_cast<std::size_t>(count) * protocol::kRoadSpeedRecordSize, 0);
  if (count != 0 && app_.network.GetData(CMD_ROAD_SPEED, nullptr, count, item.records->data()) != 0) {
    kavrel::Sleep(kFailWaitMs);
    if (firstBuffer) Inform(msg::kFetchFailed);
    return;
  }
  item.recordCount = static_cast<std::uint32_t>(count);
}

void CTrafficManager::FetchRoute(RouteItem& item) {
  auto body = protocol::WriteRouteQuery({static_cast<std::uint32_t>(item.kind), item.originId, item.destinationId});
  Exchange ex = Request(CMD_ROUTE, body.data());
  if (ex.result != RESULT_OK || !ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return;
  }
  if (ex.reply.empty()) return;
  // Only whole records count; a trailing partial record is never read.
  item.recordCount = static_cast<std::uint32_t>(ex.reply.size() / protocol::kRouteRecordSize);
  item.records = std::move(ex.reply);
}

void CTrafficManager::FetchCamera(CctvItem& item) {
  std::uint8_t body[4];
  kavrel::WriteU32(body, 0, item.cameraId);
  Exchange ex = Request(CMD_CCTV_STILL, body);
  if (ex.result != RESULT_OK || !ex.received) {
    kavrel::Sleep(kFailWaitMs);
    return;
  }
  if (!ex.reply.empty()) item.SetPicture(ex.reply);  // a short still keeps the previous picture
}

template <typename Item, typename FetchOne>
void CTrafficManager::Fill(ItemCategory<Item>& category, int which, FetchOne fetchOne) {
  auto& buffer = category.buffers[which ? 1 : 0];
  if (which == 0 && !app_.flags.itemsLoaded.load(std::memory_order_acquire)) {
    // Start-up: the first item now, the rest later from the loader; no flip.
    if (category.firstItemFetched.load()) {
      for (std::size_t i = 1; i < buffer.size(); ++i) fetchOne(*buffer[i], true);
    } else {
      if (!buffer.empty()) fetchOne(*buffer[0], true);
      category.firstItemFetched.store(true);
    }
    return;
  }
  for (auto& item : buffer) fetchOne(*item, which == 0);
  category.displayBuffer.store(which ? 1 : 0);
  Invalidate();
}

void CTrafficManager::FillCategory(int type, int which) {
  switch (type) {
    case kRoads:
      Fill(roads, which, [this](RoadItem& item, bool first) { FetchRoad(item, first); });
      break;
    case kCameras:
      Fill(cameras, which, [this](CctvItem& item, bool) { FetchCamera(item); });
      break;
    case kRoutes:
      Fill(routes, which, [this](RouteItem& item, bool) { FetchRoute(item); });
      break;
    default:
      break;
  }
}

std::uint32_t CTrafficManager::IntervalOf(int type) const {
  auto period = [](std::uint32_t minutes, int seconds) {
    return minutes * 60000u + static_cast<std::uint32_t>(seconds) * 1000u;
  };
  switch (type) {
    case kNews: return period(static_cast<std::uint32_t>(app_.newsFlash.minutes), app_.newsFlash.seconds);
    case kRoads: return period(limits.values[protocol::ServerLimits::kRoadMinutes], roads.seconds);
    case kCameras: return period(limits.values[protocol::ServerLimits::kCameraMinutes], cameras.seconds);
    case kRoutes: return period(limits.values[protocol::ServerLimits::kRouteMinutes], routes.seconds);
    default: return 0;
  }
}

void CTrafficManager::FetchCategory(int type, bool forced) {
  const std::uint32_t now = kavrel::GetTickCount();
  if (type == kNews) {
    if (forced) {
      FetchNewsText();
      return;
    }
    app_.flags.tickerPaused.store(!app_.newsFlash.show);
    if (view_) view_->ApplyNewsFlash(app_.newsFlash);
    MarkRefreshed(kNews, now);
    return;
  }
  auto run = [&](auto& category) {
    category.displayIndex.store(0);
    if (forced) {
      FillCategory(type, 0);
      return;
    }
    FillCategory(type, category.displayBuffer.load() == 0 ? 1 : 0);
    MarkRefreshed(type, now);
  };
  if (type == kRoads) run(roads);
  if (type == kCameras) run(cameras);
  if (type == kRoutes) run(routes);
}

void CTrafficManager::MarkRefreshed(int type, std::uint32_t now) {
  const std::uint32_t interval = IntervalOf(type);
  auto mark = [&](std::uint32_t& last, std::uint32_t& period) {
    last = now;
    period = interval;
  };
  switch (type) {
    case kNews: mark(app_.newsFlash.lastTick, app_.newsFlash.interval); break;
    case kRoads: mark(roads.lastTick, roads.interval); break;
    case kCameras: mark(cameras.lastTick, cameras.interval); break;
    case kRoutes: mark(routes.lastTick, routes.interval); break;
    default: break;
  }
}

void CTrafficManager::RebuildUndisplayed(int type) {
  if (type == kRoads) {
    auto& target = roads.Undisplayed();
    target.clear();
    for (const auto& item : roads.Displayed()) target.push_back(std::make_unique<RoadItem>(item->kind, item->name));
  } else if (type == kCameras) {
    auto& target = cameras.Undisplayed();
    target.clear();
    for (const auto& item : cameras.Displayed())
      target.push_back(std::make_unique<CctvItem>(item->name, item->cameraId));
  } else if (type == kRoutes) {
    auto& target = routes.Undisplayed();
    target.clear();
    for (const auto& item : routes.Displayed()) {
      auto copy = std::make_unique<RouteItem>();
      copy->originName = item->originName;
      copy->destinationName = item->destinationName;
      copy->originId = item->originId;
      copy->destinationId = item->destinationId;
      copy->kind = item->kind;
      copy->position = item->position;
      target.push_back(std::move(copy));
    }
  }
}

void CTrafficManager::RefreshCheck() {
  if (app_.flags.dialogOpen.load() || !app_.flags.refreshEnabled.load(std::memory_order_acquire)) return;
  const std::uint32_t now = kavrel::GetTickCount();
  auto due = [now](std::uint32_t last, std::uint32_t interval) { return static_cast<std::uint32_t>(now - last) >= interval; };
  for (int type : {kRoads, kCameras, kRoutes}) {
    const bool isDue = type == kRoads     ? due(roads.lastTick, roads.interval)
                       : type == kCameras ? due(cameras.lastTick, cameras.interval)
                                          : due(routes.lastTick, routes.interval);
    if (!isDue) continue;
    app_.flags.tickerPaused.store(true);
    RebuildUndisplayed(type);
    FetchCategory(type, false);
    app_.flags.tickerPaused.store(false);
  }
  if (due(app_.newsFlash.lastTick, app_.newsFlash.interval)) {
    app_.flags.tickerPaused.store(true);
    FetchNewsText();
    FetchCategory(kNews, false);
  }
  app_.flags.tickerPaused.store(false);
}

void CTrafficManager::ApplyRoadSelection(const QStringList& rows) {
  auto& buffer = roads.Undisplayed();
  buffer.clear();
  TakeRows(rows, buffer, limits.values[protocol::ServerLimits::kMostRoads], [](QString rest, int) { return MakeRoad(rest); });
  roads.categoryEnabled.store(!buffer.empty());
}

void CTrafficManager::ApplyRouteSelection(const QStringList& rows) {
  auto& buffer = routes.Undisplayed();
  buffer.clear();
  TakeRows(rows, buffer, limits.values[protocol::ServerLimits::kMostRoutes], [](QString rest, int position) { return MakeRoute(rest, position, true); });
  routes.categoryEnabled.store(!buffer.empty());
}

void CTrafficManager::ApplyCameraSelection(const QStringList& rows) {
  auto& buffer = cameras.Undisplayed();
  buffer.clear();
  TakeRows(rows, buffer, limits.values[protocol::ServerLimits::kMostCameras], [](QString rest, int) { return MakeCamera(rest); });
  cameras.categoryEnabled.store(!buffer.empty());
}

std::int32_t CTrafficManager::CameraIdByName(const QString& name) const {
  if (name.isEmpty()) return -1;
  const qsizetype at = catalogueNames.indexOf(name);
  if (at < 0 || static_cast<std::size_t>(at) >= catalogueIds.size()) return -1;
  return static_cast<std::int32_t>(catalogueIds[static_cast<std::size_t>(at)]);
}

const CctvItem* CTrafficManager::FindDisplayedCamera(const QString& name) const {
  for (const auto& item : cameras.Displayed())
    if (item->name == name) return item.get();
  return nullptr;
}

// ---- Video ----

bool CTrafficManager::StartVideo(std::uint32_t cameraId, std::uint32_t window) {
  if (videoActive) return true;
  if (relayAddress.isEmpty()) FetchRelayAddress();
  if (relayAddress.isEmpty()) return false;
  auto body = protocol::WriteVideoStartRequest({window, cameraId, client::ToAnsiLossy(relayAddress)});
  std::string address = ServerAddressText();
  unsigned long count = 0;
  if (app_.network.SendCmd(address.data(), kPort, CMD_CCTV_VIDEO_START, &count, body.data()) != RESULT_OK) {
    kavrel::Sleep(kLongFailWaitMs);
    return false;
  }
  videoWindow_ = window;
  RestartVideoClock();
  videoActive.store(true);
  return true;
}

bool CTrafficManager::VideoTimeUp() const {
  const std::uint32_t limit = videoTimeLimit.load();
  if (limit == 0) return false;
  return kavrel::GetTickCount() - videoStartTick.load() >= limit;
}

void CTrafficManager::RestartVideoClock() {
  videoStartTick.store(kavrel::GetTickCount());
  videoTimeLimit.store(kVideoLimitMs);
}

void CTrafficManager::StopVideo(std::uint32_t cameraId, QWidget* owner, QWidget* dialog, bool ask) {
  if (videoActive) {
    std::string address = ServerAddressText();
    unsigned long count = 0;
    app_.network.SendCmd(address.data(), kPort, CMD_CCTV_VIDEO_STOP, &count, nullptr);
  }
  videoActive.store(false);
  videoTimeLimit.store(0);
  if (!ask) return;
  // The box runs an event loop of its own, in which the dialog may close or go.
  const bool forDialog = dialog != nullptr;
  QPointer<QWidget> dialogAlive(dialog);
  MessageAnswer answer = kavrel::ui::ShowMessageBox(owner, QString::fromUtf8(msg::kMoreVideo),
                                                    QString::fromUtf8(msg::kCentreCaption), MessageIcon::None,
                                                    MessageButtons::OkCancel);
  if (answer == MessageAnswer::Ok) {
    // No session for a viewer that has gone.
    if (!forDialog || (dialogAlive && dialogAlive->isVisible())) StartVideo(cameraId, videoWindow_);
  } else if (dialogAlive) {
    QWidget* target = dialogAlive;
    kavrel::ui::PostToGui(target, [target] { target->close(); });
  }
}

// ---- Threads and shutdown ----

void CTrafficManager::StartLoader(std::function<void()> body) {
  JoinLoader();
  loader_ = std::thread(std::move(body));
}

void CTrafficManager::JoinLoader() {
  if (loader_.joinable()) loader_.join();
}

void CTrafficManager::DeleteItems() {
  roads.Clear();
  cameras.Clear();
  routes.Clear();
  catalogueNames.clear();
  catalogueIds.clear();
}
