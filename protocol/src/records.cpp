#include "protocol/records.h"

#include <algorithm>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"

namespace protocol {

namespace {

std::string Field(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
  return std::string(kavrel::ReadCp949Field(bytes.data() + offset, size));
}

// The whole records of `unit` bytes that `bytes` holds.
template <typename Record, typename ReadOne>
std::vector<Record> ReadRecords(std::span<const std::uint8_t> bytes, std::size_t unit, ReadOne read) {
  std::vector<Record> out;
  for (std::size_t at = 0; bytes.size() - at >= unit; at += unit) out.push_back(read(bytes.subspan(at, unit)));
  return out;
}

}  // namespace

// --- Membership ----------------------------------------------------------------------------

std::array<std::uint8_t, kLoginRecordSize> WriteLoginRecord(const LoginRecord& r) {
  std::array<std::uint8_t, kLoginRecordSize> out{};
  kavrel::WriteCp949Field(out.data() + kLoginIdOffset, kLoginIdSize, r.id);
  if (r.pda) kavrel::WriteCp949Field(out.data() + kLoginKindOffset, kLoginKindSize, kLoginKindPda);
  return out;
}

std::optional<LoginRecord> ReadLoginRecord(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kLoginRecordSize) return std::nullopt;
  return LoginRecord{Field(bytes, kLoginIdOffset, kLoginIdSize),
                     Field(bytes, kLoginKindOffset, kLoginKindSize) == kLoginKindPda};
}

std::array<std::uint8_t, kUserRecordSize> WriteUserRecord(const UserRecord& r) {
  std::array<std::uint8_t, kUserRecordSize> out{};
  kavrel::WriteCp949Field(out.data() + kUserIdOffset, kUserIdSize, r.id);
  kavrel::WriteCp949Field(out.data() + kUserNameOffset, kUserNameSize, r.name);
  kavrel::WriteCp949Field(out.data() + kUserNumberOffset, kUserNumberSize, r.registrationNumber);
  kavrel::WriteCp949Field(out.data() + kUserTypeOffset, kUserTypeSize, r.userType);
  kavrel::WriteCp949Field(out.data() + kUserEmailOffset, kUserEmailSize, r.email);
  return out;
}

std::optional<UserRecord> ReadUserRecord(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kUserRecordSize) return std::nullopt;
  return UserRecord{Field(bytes, kUserIdOffset, kUserIdSize), Field(bytes, kUserNameOffset, kUserNameSize),
                    Field(bytes, kUserNumberOffset, kUserNumberSize), Field(bytes, kUserTypeOffset, kUserTypeSize),
                    Field(bytes, kUserEmailOffset, kUserEmailSize)};
}

// --- Items of the server ------------------------------------------------------------------

std::optional<std::string> ReadTextItem(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kTextItemSize) return std::nullopt;
  return Field(bytes, 0, kTextItemSize);
}

std::array<std::uint8_t, kServerLimitsSize> WriteServerLimits(const ServerLimits& limits) {
  std::array<std::uint8_t, kServerLimitsSize> out{};
  for (std::size_t i = 0; i < limits.values.size(); ++i) kavrel::WriteU32(out.data(), 4 * i, limits.values[i]);
  return out;
}

std::optional<ServerLimits> ReadServerLimits(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kServerLimitsSize) return std::nullopt;
  ServerLimits limits;
  for (std::size_t i = 0; i < limits.values.size(); ++i) limits.values[i] = kavrel::ReadU32(bytes.data(), 4 * i);
  return limits;
}

std::vector<std::string> ReadNewsLines(std::span<const std::uint8_t> bytes) {
  bytes = bytes.first(std::min(bytes.size(), kMaxNewsBytes));
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < bytes.size() && bytes[at] != 0 && lines.size() < kMaxNewsLines) {
    auto rest = bytes.subspan(at);
    auto end = std::find_if(rest.begin(), rest.end(), [](std::uint8_t b) { return b == '\r' || b == 0; });
    std::string_view line(reinterpret_cast<const char*>(rest.data()), static_cast<std::size_t>(end - rest.begin()));
    lines.emplace_back(kavrel::CutCp949(line, kMaxNewsLineBytes));
    if (end == rest.end() || *end == 0) break;
    at += line.size() + kNewsLineEnd.size();  // the carriage return and its two separators
  }
  return lines;
}

// --- Roads ------------------------------------------------------------------------------

void WriteRoadSpeedRecord(std::uint8_t* record, std::uint32_t segmentId, std::int32_t speed,
                          std::string_view from, std::string_view to) {
  kavrel::WriteU32(record, kSpeedRecordIdOffset, segmentId);
  kavrel::WriteI32(record, kSpeedRecordSpeedOffset, speed);
  kavrel::WriteCp949Field(record + kSpeedRecordFromOffset, kSpeedRecordNameSize, from);
  kavrel::WriteCp949Field(record + kSpeedRecordToOffset, kSpeedRecordNameSize, to);
}

std::array<std::uint8_t, kRoadSpeedRecordSize> WriteRoadSpeedRecord(const RoadSpeedRecord& r) {
  std::array<std::uint8_t, kRoadSpeedRecordSize> out{};
  WriteRoadSpeedRecord(out.data(), r.segmentId, r.speed, r.from, r.to);
  kavrel::WriteCp949Field(out.data() + kSpeedRecordRoadNameOffset, kSpeedRecordNameSize, r.roadName);
  return out;
}

std::vector<RoadSpeedRecord> ReadRoadSpeedRecords(std::span<const std::uint8_t> bytes) {
  return ReadRecords<RoadSpeedRecord>(bytes, kRoadSpeedRecordSize, [](std::span<const std::uint8_t> r) {
    return RoadSpeedRecord{kavrel::ReadU32(r.data(), kSpeedRecordIdOffset),
                           kavrel::ReadI32(r.data(), kSpeedRecordSpeedOffset),
                           Field(r, kSpeedRecordFromOffset, kSpeedRecordNameSize),
                           Field(r, kSpeedRecordToOffset, kSpeedRecordNameSize),
                           Field(r, kSpeedRecordRoadNameOffset, kSpeedRecordNameSize)};
  });
}

std::vector<std::string> ReadPointList(std::span<const std::uint8_t> bytes) {
  return ReadRecords<std::string>(bytes, kRoadSpeedRecordSize, [](std::span<const std::uint8_t> r) {
    return Field(r, kSpeedRecordRoadNameOffset, kSpeedRecordNameSize);
  });
}

std::vector<CatalogueEntry> ReadCatalogue(std::span<const std::uint8_t> bytes) {
  return ReadRecords<CatalogueEntry>(bytes, kNamedCodeRecordSize, [](std::span<const std::uint8_t> r) {
    return CatalogueEntry{Field(r, 0, kNamedCodeRecordNameSize), kavrel::ReadU32(r.data(), kNamedCodeRecordCodeOffset)};
  });
}

// --- Routes and places ------------------------------------------------------------------

std::array<std::uint8_t, kRouteQuerySize> WriteRouteQuery(const RouteQuery& q) {
  std::array<std::uint8_t, kRouteQuerySize> out{};
  kavrel::WriteU32(out.data(), 0, q.kind);
  kavrel::WriteU32(out.data(), 4, q.from);
  kavrel::WriteU32(out.data(), 8, q.to);
  return out;
}

std::optional<RouteQuery> ReadRouteQuery(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kRouteQuerySize) return std::nullopt;
  return RouteQuery{kavrel::ReadU32(bytes.data(), 0), kavrel::ReadU32(bytes.data(), 4),
                    kavrel::ReadU32(bytes.data(), 8)};
}

void WriteRouteSegmentRecord(std::uint8_t* record, const RouteSegmentRecord& r) {
  kavrel::WriteCp949Field(record, kRouteNameSize, r.place);
  kavrel::WriteU16(record, kRouteSpeedOffset, r.speedKmh);
  kavrel::WriteU16(record, kRouteLengthOffset, r.lengthM);
  kavrel::WriteU16(record, kRouteTimeOffset, r.seconds);
}

std::vector<RouteSegmentRecord> ReadRouteSegmentRecords(std::span<const std::uint8_t> bytes) {
  return ReadRecords<RouteSegmentRecord>(bytes, kRouteRecordSize, [](std::span<const std::uint8_t> r) {
    return RouteSegmentRecord{Field(r, 0, kRouteNameSize), kavrel::ReadU16(r.data(), kRouteSpeedOffset),
                              kavrel::ReadU16(r.data(), kRouteLengthOffset), kavrel::ReadU16(r.data(), kRouteTimeOffset)};
  });
}

std::vector<std::uint8_t> WriteSearchReply(std::span<const SearchResult> places) {
  std::vector<std::uint8_t> reply(kSearchReplySize, 0);
  std::size_t n = std::min(places.size(), kMaxSearchResults);
  reply[0] = static_cast<std::uint8_t>(n);
  for (std::size_t i = 0; i < n; ++i) {
    kavrel::WriteCp949Field(reply.data() + kSearchNameOffset + kSearchNameSize * i, kSearchNameSize, places[i].name);
    kavrel::WriteU32(reply.data(), kSearchIdOffset + 4 * i, places[i].id);
  }
  return reply;
}

std::vector<SearchResult> ReadSearchReply(std::span<const std::uint8_t> bytes) {
  std::vector<SearchResult> places;
  if (bytes.empty()) return places;
  auto count = static_cast<std::int8_t>(bytes[0]);
  if (count <= 0) return places;
  std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), kMaxSearchResults);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t name = kSearchNameOffset + kSearchNameSize * i, id = kSearchIdOffset + 4 * i;
    if (bytes.size() < id + 4) break;
    places.push_back({Field(bytes, name, kSearchNameSize), kavrel::ReadU32(bytes.data(), id)});
  }
  return places;
}

}  // namespace protocol
