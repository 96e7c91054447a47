// Bodies and reply records of the traffic protocol, each with its reader and writer.
// All integers are little-endian; texts are code page 949, NUL-terminated inside their
// fixed fields (a writer cuts a text that does not fit at a character boundary).
// Readers take a byte span and never read past it: a span too short for a record gives
// nothing, a reply holding part of a record gives the whole records only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

// --- Membership ----------------------------------------------------------------------------

// LoginRecord (body of codes 3 and 8): the ID, then "PDA" with its NUL (login only).
constexpr std::size_t kLoginRecordSize = 124;
constexpr std::size_t kLoginIdOffset = 0, kLoginIdSize = 120;
constexpr std::size_t kLoginKindOffset = 120, kLoginKindSize = 4;
constexpr std::string_view kLoginKindPda = "PDA";

struct LoginRecord {
  std::string id;   // CP949
  bool pda = true;  // "PDA" in the kind field (the logout body leaves it zero)
};
std::array<std::uint8_t, kLoginRecordSize> WriteLoginRecord(const LoginRecord& r);
std::optional<LoginRecord> ReadLoginRecord(std::span<const std::uint8_t> bytes);

// UserRecord (body of codes 2 and 177, reply of code 176).
constexpr std::size_t kUserRecordSize = 124;
constexpr std::size_t kUserIdOffset = 0, kUserIdSize = 21;
constexpr std::size_t kUserNameOffset = 21, kUserNameSize = 21;
constexpr std::size_t kUserNumberOffset = 42, kUserNumberSize = 14;
constexpr std::size_t kUserTypeOffset = 56, kUserTypeSize = 13;
constexpr std::size_t kUserEmailOffset = 69, kUserEmailSize = 55;

struct UserRecord {  // every text CP949
  std::string id;
  std::string name;
  std::string registrationNumber;
  std::string userType;  // "OFFICIAL", "USER" or "DRIVER"
  std::string email;
};
std::array<std::uint8_t, kUserRecordSize> WriteUserRecord(const UserRecord& r);
std::optional<UserRecord> ReadUserRecord(std::span<const std::uint8_t> bytes);

// --- Items of the server ------------------------------------------------------------------

// Codes 32, 33 and 34: one text in an 80-byte field.
constexpr std::size_t kTextItemSize = 80;
std::optional<std::string> ReadTextItem(std::span<const std::uint8_t> bytes);

// ServerLimits (reply of code 64): seven u32.
constexpr std::size_t kServerLimitsSize = 28;
struct ServerLimits {
  enum Index : std::size_t {
    kNewsMinutes, kRouteMinutes, kMostRoutes, kRoadMinutes, kMostRoads, kCameraMinutes, kMostCameras
  };
  std::array<std::uint32_t, 7> values{5, 5, 10, 5, 10, 5, 10};
};
std::array<std::uint8_t, kServerLimitsSize> WriteServerLimits(const ServerLimits& limits);
std::optional<ServerLimits> ReadServerLimits(std::span<const std::uint8_t> bytes);

// News flash (reply of code 1): lines, each ending with a carriage return and two
// separator bytes; at most 40 lines of at most 1,023 bytes, 2,048 bytes in all.
constexpr std::size_t kMaxNewsBytes = 2048;
constexpr std::size_t kMaxNewsLines = 40;
constexpr std::size_t kMaxNewsLineBytes = 1023;
constexpr std::string_view kNewsLineEnd = "\r\n\n";
// The lines of a news reply (CP949), read from its first 2,048 bytes.
std::vector<std::string> ReadNewsLines(std::span<const std::uint8_t> bytes);

// --- Roads ------------------------------------------------------------------------------

// RoadSpeedRecord (104 bytes): the result unit of codes 4, 5 and 7. Offsets 8 and 40
// name the segment's ends; a road list record (code 4) names the road at 72.
constexpr std::size_t kRoadSpeedRecordSize = 104;
constexpr std::size_t kSpeedRecordIdOffset = 0;
constexpr std::size_t kSpeedRecordSpeedOffset = 4;  // signed
constexpr std::size_t kSpeedRecordFromOffset = 8;
constexpr std::size_t kSpeedRecordToOffset = 40;
constexpr std::size_t kSpeedRecordRoadNameOffset = 72;
constexpr std::size_t kSpeedRecordNameSize = 32;

struct RoadSpeedRecord {
  std::uint32_t segmentId = 0;  // the road's id in a road list
  std::int32_t speed = 0;       // km/h
  std::string from;             // CP949
  std::string to;
  std::string roadName;         // the point name of a road list record
};
// Fills one record at `record` (104 bytes, already zero).
void WriteRoadSpeedRecord(std::uint8_t* record, std::uint32_t segmentId, std::int32_t speed,
                          std::string_view from, std::string_view to);
std::array<std::uint8_t, kRoadSpeedRecordSize> WriteRoadSpeedRecord(const RoadSpeedRecord& r);
std::vector<RoadSpeedRecord> ReadRoadSpeedRecords(std::span<const std::uint8_t> bytes);
// The point names of a road list reply (code 4).
std::vector<std::string> ReadPointList(std::span<const std::uint8_t> bytes);

// NamedCodeRecord (132 bytes, result unit of code 9): camera name, u32 camera id.
constexpr std::size_t kNamedCodeRecordSize = 132;
constexpr std::size_t kNamedCodeRecordNameSize = 128;
constexpr std::size_t kNamedCodeRecordCodeOffset = 128;
struct CatalogueEntry {
  std::string name;  // CP949
  std::uint32_t id = 0;
};
std::vector<CatalogueEntry> ReadCatalogue(std::span<const std::uint8_t> bytes);

// --- Routes and places ------------------------------------------------------------------

// RouteQuery (body of code 144): u32 kind (1 fastest, 0 shortest), origin and
// destination point ids.
constexpr std::size_t kRouteQuerySize = 12;
constexpr std::uint32_t kRouteShortest = 0;
constexpr std::uint32_t kRouteFastest = 1;
struct RouteQuery {
  std::uint32_t kind = kRouteFastest;
  std::uint32_t from = 0;
  std::uint32_t to = 0;
};
std::array<std::uint8_t, kRouteQuerySize> WriteRouteQuery(const RouteQuery& q);
std::optional<RouteQuery> ReadRouteQuery(std::span<const std::uint8_t> bytes);

// RouteSegmentRecord (134 bytes, reply of code 144, counted in bytes): place name,
// u16 speed (km/h), u16 length (m), u16 travel time (s).
constexpr std::size_t kRouteRecordSize = 134;
constexpr std::size_t kRouteNameSize = 128;
constexpr std::size_t kRouteSpeedOffset = 128;
constexpr std::size_t kRouteLengthOffset = 130;
constexpr std::size_t kRouteTimeOffset = 132;
struct RouteSegmentRecord {
  std::string place;  // CP949
  std::uint16_t speedKmh = 0;
  std::uint16_t lengthM = 0;
  std::uint16_t seconds = 0;
};
void WriteRouteSegmentRecord(std::uint8_t* record, const RouteSegmentRecord& r);
std::vector<RouteSegmentRecord> ReadRouteSegmentRecords(std::span<const std::uint8_t> bytes);

// SearchReply (reply of code 48): i8 count (at most 50; 0 or less: none), names at
// 1 + 128 i, point ids at 6404 + 4 i.
constexpr std::size_t kMaxSearchResults = 50;
constexpr std::size_t kSearchNameOffset = 1;
constexpr std::size_t kSearchNameSize = 128;
constexpr std::size_t kSearchIdOffset = 6404;
constexpr std::size_t kSearchReplySize = kSearchIdOffset + 4 * kMaxSearchResults;
struct SearchResult {
  std::string name;  // CP949
  std::uint32_t id = 0;
};
// At most 50 places are written.
std::vector<std::uint8_t> WriteSearchReply(std::span<const SearchResult> places);
// A reply too short for the count it gives yields the places it holds whole.
std::vector<SearchResult> ReadSearchReply(std::span<const std::uint8_t> bytes);

// --- Pictures -----------------------------------------------------------------------------

// A still (code 16, after decoding): 176 x 144 pixels of blue, green, red.
constexpr int kStillWidth = 176;
constexpr int kStillHeight = 144;
constexpr std::size_t kStillPictureBytes = static_cast<std::size_t>(kStillWidth) * kStillHeight * 3;  // 76,032

}  // namespace protocol
