#include "reply_records.h"

#include <algorithm>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"

namespace client {

bool BuildLoginRecord(std::string_view cp949Id, bool login, std::array<std::uint8_t, kLoginRecordSize>& out) {
  out.fill(0);
  if (cp949Id.size() >= kLoginIdSize || cp949Id.find('\0') != std::string_view::npos) return false;
  kavrel::WriteCp949Field(out.data(), kLoginIdSize, cp949Id);
  if (login) kavrel::WriteCp949Field(out.data() + kLoginIdSize, 4, "PDA");
  return true;
}

bool ReadLoginResult(std::span<const std::uint8_t> reply, std::uint32_t& result) {
  if (reply.size() < 4) return false;
  result = kavrel::ReadU32(reply.data(), 0);
  return true;
}

bool ReadServerLimits(std::span<const std::uint8_t> reply, ServerLimits& out) {
  if (reply.size() < kServerLimitsSize) return false;
  auto at = [&](std::size_t i) { return kavrel::ReadU32(reply.data(), 4 * i); };
  out = ServerLimits{at(0), at(1), at(2), at(3), at(4), at(5), at(6)};
  return true;
}

std::size_t RoadSpeedRecordCount(std::span<const std::uint8_t> records) {
  return records.size() / kRoadSpeedRecordSize;
}

std::int32_t RoadSpeedOf(std::span<const std::uint8_t> records, std::size_t i) {
  if (i >= RoadSpeedRecordCount(records)) return 0;
  return kavrel::ReadI32(records.data(), i * kRoadSpeedRecordSize + 4);
}

std::size_t RouteSegmentCount(std::span<const std::uint8_t> records) {
  return records.size() / kRouteSegmentRecordSize;
}

RouteSegment RouteSegmentOf(std::span<const std::uint8_t> records, std::size_t i) {
  if (i >= RouteSegmentCount(records)) return {};
  const std::uint8_t* r = records.data() + i * kRouteSegmentRecordSize;
  return RouteSegment{std::string(kavrel::ReadCp949Field(r, 128)), kavrel::ReadU16(r, 128),
                      kavrel::ReadU16(r, 130), kavrel::ReadU16(r, 132)};
}

std::vector<CatalogueEntry> ReadCatalogue(std::span<const std::uint8_t> reply) {
  std::vector<CatalogueEntry> out;
  for (std::size_t at = 0; at + kCatalogueRecordSize <= reply.size(); at += kCatalogueRecordSize)
    out.push_back({std::string(kavrel::ReadCp949Field(reply.data() + at, 128)), kavrel::ReadU32(reply.data(), at + 128)});
  return out;
}

std::vector<std::string> ReadPointNames(std::span<const std::uint8_t> reply) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at + kPointListRecordSize <= reply.size(); at += kPointListRecordSize)
    out.emplace_back(kavrel::ReadCp949Field(reply.data() + at + 72, kPointListRecordSize - 72));
  return out;
}

std::vector<SearchResult> ReadSearchReply(std::span<const std::uint8_t> reply) {
  std::vector<SearchResult> out;
  if (reply.empty()) return out;
  const int count = std::min(static_cast<int>(static_cast<std::int8_t>(reply[0])), kMaxSearchResults);
  for (int i = 0; i < count; ++i) {
    const std::size_t name = 1 + 128 * static_cast<std::size_t>(i);
    const std::size_t id = 6404 + 4 * static_cast<std::size_t>(i);
    if (name + 128 > reply.size() || id + 4 > reply.size()) break;
    out.push_back({std::string(kavrel::ReadCp949Field(reply.data() + name, 128)), kavrel::ReadU32(reply.data(), id)});
  }
  return out;
}

std::array<std::uint8_t, kSelectionUploadSize> BuildSelectionUpload(const std::vector<std::string>& cp949RoadNames,
                                                                   const std::vector<SelectedRoute>& routes,
                                                                   const std::vector<std::uint32_t>& cameraIds) {
  std::array<std::uint8_t, kSelectionUploadSize> out{};
  const std::size_t roads = std::min(cp949RoadNames.size(), kMaxSelected);
  kavrel::WriteU32(out.data(), 120, static_cast<std::uint32_t>(roads));
  for (std::size_t i = 0; i < roads; ++i) kavrel::WriteCp949Field(out.data() + 124 + 32 * i, 32, cp949RoadNames[i]);
  const std::size_t nRoutes = std::min(routes.size(), kMaxSelected);
  kavrel::WriteU32(out.data(), 484, static_cast<std::uint32_t>(nRoutes));
  for (std::size_t i = 0; i < nRoutes; ++i) {
    kavrel::WriteU8(out.data(), 488 + 12 * i, routes[i].kind);
    kavrel::WriteU32(out.data(), 488 + 12 * i + 4, routes[i].origin);
    kavrel::WriteU32(out.data(), 488 + 12 * i + 8, routes[i].destination);
  }
  const std::size_t cameras = std::min(cameraIds.size(), kMaxSelected);
  kavrel::WriteU32(out.data(), 648, static_cast<std::uint32_t>(cameras));
  for (std::size_t i = 0; i < cameras; ++i) kavrel::WriteU32(out.data(), 652 + 4 * i, cameraIds[i]);
  return out;
}

std::array<std::uint8_t, kRouteQuerySize> BuildRouteQuery(std::uint32_t kind, std::uint32_t origin,
                                                          std::uint32_t destination) {
  std::array<std::uint8_t, kRouteQuerySize> out{};
  kavrel::WriteU32(out.data(), 0, kind);
  kavrel::WriteU32(out.data(), 4, origin);
  kavrel::WriteU32(out.data(), 8, destination);
  return out;
}

std::array<std::uint8_t, kRequestTextSize> BuildRequestText(std::string_view cp949) {
  std::array<std::uint8_t, kRequestTextSize> out{};
  kavrel::WriteCp949Field(out.data(), out.size(), cp949);
  return out;
}

std::array<std::uint8_t, kVideoStartSize> BuildVideoStart(std::uint32_t window, std::uint32_t camera,
                                                          std::string_view cp949RelayAddress) {
  std::array<std::uint8_t, kVideoStartSize> out{};
  kavrel::WriteU32(out.data(), 0, window);
  kavrel::WriteU32(out.data(), 4, camera);
  kavrel::WriteCp949Field(out.data() + 8, kTextItemSize, cp949RelayAddress);
  return out;
}

std::string ReadTextItem(std::span<const std::uint8_t> reply) {
  return std::string(kavrel::ReadCp949Field(reply.data(), std::min(reply.size(), kTextItemSize)));
}

}  // namespace client
