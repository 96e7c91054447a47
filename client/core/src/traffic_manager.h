// The traffic items the user selected and every request the client sends: login and
// logout, server limits, the selection upload, the camera relay's address and
// catalogue, point lists and search, the four categories' fetches and their periodic
// refresh, and the video session.
//
// Every operation runs on the calling thread and blocks for its exchange; a failed
// request waits (1000 ms, 3000 ms for logout and video start) on the platform clock.
// Requests never overlap: the GUI thread makes none while the loader thread runs its
// fetches (refresh and rotation wait for the loader's flags).
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "cctv_item.h"
#include "item_category.h"
#include "member_requests.h"
#include "protocol/records.h"
#include "road_item.h"
#include "route_item.h"

class CKavrelClientPDAApp;
class ITrafficView;
class QWidget;

class CTrafficManager {
 public:
  enum Category { kNews = 0, kRoads = 1, kCameras = 2, kRoutes = 3 };
  static constexpr unsigned long kPort = 7000;

  explicit CTrafficManager(CKavrelClientPDAApp& app);
  ~CTrafficManager();
  CTrafficManager(const CTrafficManager&) = delete;
  CTrafficManager& operator=(const CTrafficManager&) = delete;

  void SetView(ITrafficView* view) { view_ = view; }

  // Session.
  bool Login(const QString& id);
  void Logout();

  // Membership (each shows its own messages; a text that does not fit its field in
  // code page 949 is refused with a message naming the field, and nothing is sent).
  bool Join(const QString& name, const QString& id, const QString& number, const QString& email,
            const QString& userType);
  bool GetMemberInformation(const QString& id, client::MemberInfo& info);
  bool ChangeMemberInformation(const QString& id, const QString& email, const QString& userType);
  // Empty when nothing was found or the request failed.
  QString FindId(const QString& number);

  // Requests.
  void FetchServerLimits();
  void LoadSelections();
  enum class Upload { Load, Reload };
  // From the given buffer (0 or 1) of each category.
  void UploadSelection(int roadBuffer, int cameraBuffer, int routeBuffer, Upload kind);
  void FetchRelayAddress();
  bool FetchCctvCatalogue();
  bool FetchPointList(int kind, QStringList& names);
  // Place search: the server's matches, in its order. A text with a character that has
  // no code page 949 form is refused with a message and not sent; a text too long for
  // the request is cut at a character boundary.
  enum class Search { Answered, Failed, Refused };
  Search SearchPoints(const QString& text, QStringList& names, std::vector<std::uint32_t>& ids);
  void FetchNewsText();
  void FetchCategory(int type, bool forced);
  // The category's last refresh is `now`; its period is the server's minutes plus the
  // user's extra seconds.
  void MarkRefreshed(int type, std::uint32_t now);
  void RefreshCheck();
  // The undisplayed buffer of category 1-3 gets fresh items with the definitions of the
  // displayed ones.
  void RebuildUndisplayed(int type);

  // A settings page's ten rows rebuild the undisplayed buffer.
  void ApplyRoadSelection(const QStringList& rows);
  void ApplyRouteSelection(const QStringList& rows);
  void ApplyCameraSelection(const QStringList& rows);

  // -1 for an empty name or one the catalogue does not hold.
  std::int32_t CameraIdByName(const QString& name) const;
  // The first camera of the displayed buffer with this name, or nullptr.
  const CctvItem* FindDisplayedCamera(const QString& name) const;

  bool StartVideo(std::uint32_t cameraId, std::uint32_t window);
  // Ends a running session; with `ask` (GUI thread), offers more video on `owner`: OK
  // starts it again unless `dialog` has closed meanwhile, Cancel posts a close to
  // `dialog`.
  void StopVideo(std::uint32_t cameraId, QWidget* owner, QWidget* dialog, bool ask);
  // True once a session with a time limit has run for it (any thread).
  bool VideoTimeUp() const;
  // Another full viewing time counted from now.
  void RestartVideoClock();

  // The loader thread (kept here; joined before the items go).
  void StartLoader(std::function<void()> body);
  void JoinLoader();
  // Shutdown: every item and the catalogue.
  void DeleteItems();

  protocol::ServerLimits limits;
  ItemCategory<RoadItem> roads;
  ItemCategory<CctvItem> cameras;
  ItemCategory<RouteItem> routes;
  QStringList catalogueNames;
  std::vector<std::uint32_t> catalogueIds;
  QString relayAddress;
  // The video session: written by the GUI thread, read by the viewer's watchdog. The
  // start tick is stored before the limit, and read after it.
  std::atomic<bool> videoActive{false};
  std::atomic<std::uint32_t> videoTimeLimit{0};  // ms; 0: none
  std::atomic<std::uint32_t> videoStartTick{0};

 private:
  struct Exchange {
    int result = 0;          // of SendCmd
    bool received = false;   // GetData handed the result over
    std::vector<std::uint8_t> reply;
  };
  Exchange Request(unsigned long code, void* body);
  std::string ServerAddressText() const;

  void FetchRoad(RoadItem& item, bool firstBuffer);
  void FetchRoute(RouteItem& item);
  void FetchCamera(CctvItem& item);
  template <typename Item, typename FetchOne>
  void Fill(ItemCategory<Item>& category, int which, FetchOne fetchOne);
  void FillCategory(int type, int which);
  std::uint32_t IntervalOf(int type) const;
  void Invalidate();

  CKavrelClientPDAApp& app_;
  ITrafficView* view_ = nullptr;
  std::thread loader_;
  std::uint32_t videoWindow_ = 0;
};
