// The road file: every road, bridge and tunnel with its segments, and the table of
// named codes (the camera catalogue), as one fixed-size little-endian image.
//
// Three layers:
// - RoadFileView reads an image in place. Every lookup is bounded: counts are clamped
//   to the table sizes and to what the image holds, names end at their field, so a
//   damaged or foreign file never makes a read leave the image or a field.
// - RoadFileSource is the editable model (texts in CP949, as in the file); the
//   roadfile tool and the reference server build and read images through it.
// - ExpandRoadSpeeds turns the speed bytes of one road into RoadSpeedRecords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/records.h"

namespace protocol {

// --- Layout of the image -------------------------------------------------------------

constexpr std::size_t kRoadFileSize = 1329528;
constexpr std::size_t kNameFieldSize = 32;  // every name of the file, NUL included

constexpr std::size_t kRoadCountOffset = 0;
constexpr std::size_t kRoadsOffset = 4;
constexpr std::size_t kMaxRoads = 260;
constexpr std::size_t kRoadRecordSize = 5092;
constexpr std::size_t kNamedCodeCountOffset = 1323924;
constexpr std::size_t kNamedCodesOffset = 1323928;
constexpr std::size_t kMaxNamedCodes = 160;
constexpr std::size_t kNamedCodeEntrySize = 35;

// RoadRecord
constexpr std::size_t kRoadCategoryOffset = 0;
constexpr std::size_t kRoadIdOffset = 4;
constexpr std::size_t kRoadNameOffset = 16;
constexpr std::size_t kSegmentCountOffset = 48;
constexpr std::size_t kSegmentsOffset = 52;
constexpr std::size_t kMaxSegments = 60;
constexpr std::size_t kSegmentSize = 84;

// RoadSegment. Offsets 4..19 are not read by the handheld; the server keeps the
// segment's length and speed limit there.
constexpr std::size_t kSegmentIdOffset = 0;
constexpr std::size_t kSegmentLengthOffset = 4;
constexpr std::size_t kSegmentLimitOffset = 8;
constexpr std::size_t kSegmentFromOffset = 20;
constexpr std::size_t kSegmentToOffset = 52;

// NamedCodeEntry
constexpr std::size_t kNamedCodeNameOffset = 0;
constexpr std::size_t kNamedCodeCodeOffset = 32;

static_assert(kRoadsOffset + kMaxRoads * kRoadRecordSize == kNamedCodeCountOffset);
static_assert(kNamedCodesOffset + kMaxNamedCodes * kNamedCodeEntrySize == kRoadFileSize);
static_assert(kSegmentsOffset + kMaxSegments * kSegmentSize == kRoadRecordSize);

// Categories of a road record.
constexpr std::uint32_t kCategoryRoad = 1;
constexpr std::uint32_t kCategoryBridge = 2;
constexpr std::uint32_t kCategoryTunnel = 3;

// --- Reading an image in place --------------------------------------------------------

struct SegmentView {
  std::uint32_t id = 0;
  std::uint32_t lengthM = 0;
  std::uint32_t limitKmh = 0;
  std::string_view from;  // CP949, at most 32 bytes, points into the image
  std::string_view to;
};

class RoadView {
 public:
  explicit RoadView(std::span<const std::uint8_t> record);  // exactly one whole record
  std::uint32_t Category() const;
  std::uint32_t Id() const;
  std::string_view Name() const;
  // The stored count, at most 60.
  std::size_t SegmentCount() const;
  // The count as stored, for reporting a damaged file.
  std::uint32_t StoredSegmentCount() const;
  // j < SegmentCount().
  SegmentView Segment(std::size_t j) const;

 private:
  std::span<const std::uint8_t> record_;
};

struct NamedCodeView {
  std::string_view name;
  std::uint8_t code = 0;
};

class RoadFileView {
 public:
  // `image` is normally the whole file; a shorter one reads as if zero-padded.
  explicit RoadFileView(std::span<const std::uint8_t> image) : image_(image) {}

  // The stored counts clamped to the table sizes and to the records the image holds.
  std::size_t RoadCount() const;
  std::size_t NamedCodeCount() const;
  // The counts as stored, for reporting a damaged file.
  std::uint32_t StoredRoadCount() const;
  std::uint32_t StoredNamedCodeCount() const;

  RoadView Road(std::size_t i) const;  // i < RoadCount()
  NamedCodeView NamedCode(std::size_t i) const;  // i < NamedCodeCount()

  // The first road (in file order) with this exact name (bytes) or id.
  std::optional<RoadView> FindRoadByName(std::string_view name) const;
  std::optional<RoadView> FindRoadById(std::uint32_t id) const;

 private:
  std::uint32_t U32At(std::size_t offset) const;
  std::span<const std::uint8_t> image_;
};

// --- The editable model ---------------------------------------------------------------

// Texts are CP949, as they are stored. Length and limit 0 mean "not given".
struct RoadSegment {
  std::uint32_t id = 0;
  std::string from;
  std::string to;
  std::uint32_t lengthM = 0;
  std::uint32_t limitKmh = 0;
  bool operator==(const RoadSegment&) const = default;
};

struct Road {
  std::uint32_t category = kCategoryRoad;
  std::uint32_t id = 0;
  std::string name;
  std::vector<RoadSegment> segments;
  bool operator==(const Road&) const = default;
};

struct NamedCode {
  std::string name;
  std::uint32_t code = 0;  // must fit one byte
  bool operator==(const NamedCode&) const = default;
};

struct RoadFileSource {
  std::vector<Road> roads;
  std::vector<NamedCode> codes;
  bool operator==(const RoadFileSource&) const = default;
};

// Why `source` cannot be stored (UTF-8 text naming the offending road or entry), or
// an empty text when it fits.
std::string CheckRoadFileSource(const RoadFileSource& source);

// The whole image for `source`. False (and `error` set as above) when it does not fit.
bool BuildRoadFileImage(const RoadFileSource& source, std::vector<std::uint8_t>& image, std::string& error);

// The model of an image, as the lookups see it (counts clamped, names bounded).
RoadFileSource ReadRoadFileImage(std::span<const std::uint8_t> image);

// Reads the file at `path` into `image`: up to image.size() bytes; the rest of the
// image is zero. A missing or unreadable file leaves the image all zero.
void LoadRoadFile(std::span<std::uint8_t> image, const std::filesystem::path& path);

// --- Road speeds ----------------------------------------------------------------------

// RoadSpeedRecords (104 bytes each) for the speed bytes of one road, read against
// `image` (the road-file image). `roadName` is CP949 and must equal a road's name
// exactly; no such road gives no records. There is one signed speed byte per segment
// in file order. A road with an odd segment count gets the missing reverse direction
// for each segment whose end does not meet the next segment's start (see the .cpp).
// Segments without a speed byte (a short reply) get no records: the result is then
// the start of what the full reply would give; extra bytes are ignored.
std::vector<std::uint8_t> ExpandRoadSpeeds(std::span<const std::uint8_t> image, std::string_view roadName,
                                           std::span<const std::uint8_t> speedBytes);

}  // namespace protocol
