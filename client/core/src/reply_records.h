// The request bodies the client builds and the reply records it reads, each as a
// bounded reader or writer over bytes: nothing is read or written past a buffer's end,
// whatever a reply holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace client {

// Login and logout body: user id (CP949, NUL-terminated) in 120 bytes, then the
// client kind "PDA" (login only; zero in the logout body).
constexpr std::size_t kLoginRecordSize = 124;
constexpr std::size_t kLoginIdSize = 120;
// False when the id does not fit its field with its NUL (nothing is cut).
bool BuildLoginRecord(std::string_view cp949Id, bool login, std::array<std::uint8_t, kLoginRecordSize>& out);

// The login reply: one unsigned 32-bit result; nullopt-like `ok` false when shorter.
bool ReadLoginResult(std::span<const std::uint8_t> reply, std::uint32_t& result);

// Server limits: seven unsigned 32-bit values.
constexpr std::size_t kServerLimitsSize = 28;
struct ServerLimits {
  std::uint32_t newsMinutes = 5;
  std::uint32_t routeMinutes = 5;
  std::uint32_t maxRoutes = 10;
  std::uint32_t roadMinutes = 5;
  std::uint32_t maxRoads = 10;
  std::uint32_t cameraMinutes = 5;
  std::uint32_t maxCameras = 10;
};
bool ReadServerLimits(std::span<const std::uint8_t> reply, ServerLimits& out);

// Road speed records (104 bytes): the speed of record i (signed km/h).
constexpr std::size_t kRoadSpeedRecordSize = 104;
std::size_t RoadSpeedRecordCount(std::span<const std::uint8_t> records);
std::int32_t RoadSpeedOf(std::span<const std::uint8_t> records, std::size_t i);

// Route segment records (134 bytes).
constexpr std::size_t kRouteSegmentRecordSize = 134;
struct RouteSegment {
  std::string name;  // CP949
  std::uint16_t speed = 0;
  std::uint16_t length = 0;  // metres
  std::uint16_t time = 0;    // seconds
};
std::size_t RouteSegmentCount(std::span<const std::uint8_t> records);
RouteSegment RouteSegmentOf(std::span<const std::uint8_t> records, std::size_t i);

// Camera catalogue records (132 bytes): name, id. A trailing partial record is dropped.
constexpr std::size_t kCatalogueRecordSize = 132;
struct CatalogueEntry {
  std::string name;  // CP949
  std::uint32_t id = 0;
};
std::vector<CatalogueEntry> ReadCatalogue(std::span<const std::uint8_t> reply);

// Point-list records (104 bytes): the point's name at offset 72. A trailing partial
// record is dropped.
constexpr std::size_t kPointListRecordSize = 104;
std::vector<std::string> ReadPointNames(std::span<const std::uint8_t> reply);

// Search reply: count (signed byte, at most 50), names of 128 bytes from offset 1,
// point ids from offset 6404. Results whose fields pass the reply's end are dropped.
constexpr int kMaxSearchResults = 50;
struct SearchResult {
  std::string name;  // CP949
  std::uint32_t id = 0;
};
std::vector<SearchResult> ReadSearchReply(std::span<const std::uint8_t> reply);

// The selection upload of the bulk exchange (732 bytes).
constexpr std::size_t kSelectionUploadSize = 732;
constexpr std::size_t kMaxSelected = 10;
struct SelectedRoute {
  std::uint8_t kind = 1;  // 1 fastest, 0 shortest
  std::uint32_t origin = 0;
  std::uint32_t destination = 0;
};
std::array<std::uint8_t, kSelectionUploadSize> BuildSelectionUpload(const std::vector<std::string>& cp949RoadNames,
                                                                   const std::vector<SelectedRoute>& routes,
                                                                   const std::vector<std::uint32_t>& cameraIds);

// Route query body (12 bytes): kind, origin id, destination id.
constexpr std::size_t kRouteQuerySize = 12;
std::array<std::uint8_t, kRouteQuerySize> BuildRouteQuery(std::uint32_t kind, std::uint32_t origin,
                                                          std::uint32_t destination);

// Text bodies of the road speed and search requests: 127 characters and a NUL.
constexpr std::size_t kRequestTextSize = 128;
std::array<std::uint8_t, kRequestTextSize> BuildRequestText(std::string_view cp949);

// Video start request: window handle, camera id, the relay address text from offset 8.
constexpr std::size_t kTextItemSize = 80;
constexpr std::size_t kVideoStartSize = 8 + kTextItemSize;
std::array<std::uint8_t, kVideoStartSize> BuildVideoStart(std::uint32_t window, std::uint32_t camera,
                                                          std::string_view cp949RelayAddress);

// An 80-byte text item (the camera relay's address): up to its NUL, never past the end.
std::string ReadTextItem(std::span<const std::uint8_t> reply);

// The still picture: 176 x 144 pixels of 3 bytes.
constexpr int kStillWidth = 176;
constexpr int kStillHeight = 144;
constexpr std::size_t kStillSize = 76032;

}  // namespace client
