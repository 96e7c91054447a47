#include "protocol/road_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"

namespace protocol {

// --- RoadView ---------------------------------------------------------------------------

RoadView::RoadView(std::span<const std::uint8_t> record) : record_(record) {}

std::uint32_t RoadView::Category() const { return kavrel::ReadU32(record_.data(), kRoadCategoryOffset); }

std::uint32_t RoadView::Id() const { return kavrel::ReadU32(record_.data(), kRoadIdOffset); }

std::string_view RoadView::Name() const {
  return kavrel::ReadCp949Field(record_.data() + kRoadNameOffset, kNameFieldSize);
}

std::uint32_t RoadView::StoredSegmentCount() const { return kavrel::ReadU32(record_.data(), kSegmentCountOffset); }

std::size_t RoadView::SegmentCount() const { return std::min<std::size_t>(StoredSegmentCount(), kMaxSegments); }

SegmentView RoadView::Segment(std::size_t j) const {
  const std::uint8_t* s = record_.data() + kSegmentsOffset + j * kSegmentSize;
  SegmentView seg;
  seg.id = kavrel::ReadU32(s, kSegmentIdOffset);
  seg.lengthM = kavrel::ReadU32(s, kSegmentLengthOffset);
  seg.limitKmh = kavrel::ReadU32(s, kSegmentLimitOffset);
  seg.from = kavrel::ReadCp949Field(s + kSegmentFromOffset, kNameFieldSize);
  seg.to = kavrel::ReadCp949Field(s + kSegmentToOffset, kNameFieldSize);
  return seg;
}

// --- RoadFileView -----------------------------------------------------------------------

std::uint32_t RoadFileView::U32At(std::size_t offset) const {
  if (offset > image_.size() || image_.size() - offset < 4) return 0;
  return kavrel::ReadU32(image_.data(), offset);
}

std::uint32_t RoadFileView::StoredRoadCount() const { return U32At(kRoadCountOffset); }

std::uint32_t RoadFileView::StoredNamedCodeCount() const { return U32At(kNamedCodeCountOffset); }

std::size_t RoadFileView::RoadCount() const {
  std::size_t fit = image_.size() > kRoadsOffset ? (image_.size() - kRoadsOffset) / kRoadRecordSize : 0;
  return std::min({static_cast<std::size_t>(StoredRoadCount()), kMaxRoads, fit});
}

std::size_t RoadFileView::NamedCodeCount() const {
  std::size_t fit =
      image_.size() > kNamedCodesOffset ? (image_.size() - kNamedCodesOffset) / kNamedCodeEntrySize : 0;
  return std::min({static_cast<std::size_t>(StoredNamedCodeCount()), kMaxNamedCodes, fit});
}

RoadView RoadFileView::Road(std::size_t i) const {
  return RoadView(image_.subspan(kRoadsOffset + i * kRoadRecordSize, kRoadRecordSize));
}

NamedCodeView RoadFileView::NamedCode(std::size_t i) const {
  const std::uint8_t* e = image_.data() + kNamedCodesOffset + i * kNamedCodeEntrySize;
  return {kavrel::ReadCp949Field(e + kNamedCodeNameOffset, kNameFieldSize), e[kNamedCodeCodeOffset]};
}

std::optional<RoadView> RoadFileView::FindRoadByName(std::string_view name) const {
  for (std::size_t i = 0, n = RoadCount(); i < n; ++i)
    if (RoadView road = Road(i); road.Name() == name) return road;
  return std::nullopt;
}

std::optional<RoadView> RoadFileView::FindRoadById(std::uint32_t id) const {
  for (std::size_t i = 0, n = RoadCount(); i < n; ++i)
    if (RoadView road = Road(i); road.Id() == id) return road;
  return std::nullopt;
}

// --- The model --------------------------------------------------------------------------

namespace {

std::string Shown(std::string_view cp949) { return "\"" + kavrel::Cp949ToUtf8Lossy(cp949) + "\""; }

std::string RoadLabel(std::size_t i, const Road& road) {
  return "road " + std::to_string(i + 1) + " (" + Shown(road.name) + ", id " + std::to_string(road.id) + ")";
}

// Empty when `name` fits a 32-byte field with its NUL.
std::string CheckName(std::string_view name, const std::string& what) {
  if (name.find('\0') != std::string_view::npos) return what + " contains a NUL character";
  if (name.size() >= kNameFieldSize)
    return what + " " + Shown(name) + " is " + std::to_string(name.size()) + " bytes in CP949; at most " +
           std::to_string(kNameFieldSize - 1) + " fit with the NUL";
  return {};
}

}  // namespace

std::string CheckRoadFileSource(const RoadFileSource& source) {
  if (source.roads.size() > kMaxRoads)
    return RoadLabel(kMaxRoads, source.roads[kMaxRoads]) + ": more than " + std::to_string(kMaxRoads) +
           " roads (the source has " + std::to_string(source.roads.size()) + ")";
  for (std::size_t i = 0; i < source.roads.size(); ++i) {
    const Road& road = source.roads[i];
    const std::string label = RoadLabel(i, road);
    if (road.category < kCategoryRoad || road.category > kCategoryTunnel)
      return label + ": category " + std::to_string(road.category) + " is not 1 (road), 2 (bridge) or 3 (tunnel)";
    if (auto e = CheckName(road.name, "name"); !e.empty()) return label + ": " + e;
    if (road.segments.size() > kMaxSegments)
      return label + ": more than " + std::to_string(kMaxSegments) + " segments (it has " +
             std::to_string(road.segments.size()) + ")";
    for (std::size_t j = 0; j < road.segments.size(); ++j) {
      const RoadSegment& seg = road.segments[j];
      const std::string segLabel =
          label + ", segment " + std::to_string(j + 1) + " (id " + std::to_string(seg.id) + ")";
      if (auto e = CheckName(seg.from, "from-name"); !e.empty()) return segLabel + ": " + e;
      if (auto e = CheckName(seg.to, "to-name"); !e.empty()) return segLabel + ": " + e;
    }
  }
  if (source.codes.size() > kMaxNamedCodes)
    return "named code " + std::to_string(kMaxNamedCodes + 1) + " (" + Shown(source.codes[kMaxNamedCodes].name) +
           "): more than " + std::to_string(kMaxNamedCodes) + " codes (the source has " +
           std::to_string(source.codes.size()) + ")";
  for (std::size_t i = 0; i < source.codes.size(); ++i) {
    const NamedCode& entry = source.codes[i];
    const std::string label = "named code " + std::to_string(i + 1) + " (" + Shown(entry.name) + ")";
    if (entry.code > 255) return label + ": code " + std::to_string(entry.code) + " is above 255";
    if (auto e = CheckName(entry.name, "name"); !e.empty()) return label + ": " + e;
  }
  return {};
}

bool BuildRoadFileImage(const RoadFileSource& source, std::vector<std::uint8_t>& image, std::string& error) {
  error = CheckRoadFileSource(source);
  if (!error.empty()) return false;
  image.assign(kRoadFileSize, 0);
  std::uint8_t* base = image.data();
  kavrel::WriteU32(base, kRoadCountOffset, static_cast<std::uint32_t>(source.roads.size()));
  for (std::size_t i = 0; i < source.roads.size(); ++i) {
    const Road& road = source.roads[i];
    std::uint8_t* r = base + kRoadsOffset + i * kRoadRecordSize;
    kavrel::WriteU32(r, kRoadCategoryOffset, road.category);
    kavrel::WriteU32(r, kRoadIdOffset, road.id);
    kavrel::WriteCp949Field(r + kRoadNameOffset, kNameFieldSize, road.name);
    kavrel::WriteU32(r, kSegmentCountOffset, static_cast<std::uint32_t>(road.segments.size()));
    for (std::size_t j = 0; j < road.segments.size(); ++j) {
      const RoadSegment& seg = road.segments[j];
      std::uint8_t* s = r + kSegmentsOffset + j * kSegmentSize;
      kavrel::WriteU32(s, kSegmentIdOffset, seg.id);
      kavrel::WriteU32(s, kSegmentLengthOffset, seg.lengthM);
      kavrel::WriteU32(s, kSegmentLimitOffset, seg.limitKmh);
      kavrel::WriteCp949Field(s + kSegmentFromOffset, kNameFieldSize, seg.from);
      kavrel::WriteCp949Field(s + kSegmentToOffset, kNameFieldSize, seg.to);
    }
  }
  kavrel::WriteU32(base, kNamedCodeCountOffset, static_cast<std::uint32_t>(source.codes.size()));
  for (std::size_t i = 0; i < source.codes.size(); ++i) {
    std::uint8_t* e = base + kNamedCodesOffset + i * kNamedCodeEntrySize;
    kavrel::WriteCp949Field(e + kNamedCodeNameOffset, kNameFieldSize, source.codes[i].name);
    e[kNamedCodeCodeOffset] = static_cast<std::uint8_t>(source.codes[i].code);
  }
  return true;
}

RoadFileSource ReadRoadFileImage(std::span<const std::uint8_t> image) {
  RoadFileView file(image);
  RoadFileSource source;
  for (std::size_t i = 0, n = file.RoadCount(); i < n; ++i) {
    RoadView view = file.Road(i);
    Road road;
    road.category = view.Category();
    road.id = view.Id();
    road.name = std::string(view.Name());
    for (std::size_t j = 0, s = view.SegmentCount(); j < s; ++j) {
      SegmentView seg = view.Segment(j);
      road.segments.push_back({seg.id, std::string(seg.from), std::string(seg.to), seg.lengthM, seg.limitKmh});
    }
    source.roads.push_back(std::move(road));
  }
  for (std::size_t i = 0, n = file.NamedCodeCount(); i < n; ++i) {
    NamedCodeView entry = file.NamedCode(i);
    source.codes.push_back({std::string(entry.name), entry.code});
  }
  return source;
}

void LoadRoadFile(std::span<std::uint8_t> image, const std::filesystem::path& path) {
  std::fill(image.begin(), image.end(), std::uint8_t{0});
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
}

// --- Road speeds ------------------------------------------------------------------------

// The server sends one speed per segment in file order. A road whose segments run
// alternately in the two directions (A->B, B->A, B->C, C->B, ...) then yields records
// in up/down pairs. A road with an odd segment count lacks one direction somewhere, so
// for every segment at an even position (counting the reverse records already added)
// whose end does not meet the next segment's start -- for the last one, whose end is
// not empty -- the reverse record with the same speed is added after it.
std::vector<std::uint8_t> ExpandRoadSpeeds(std::span<const std::uint8_t> image, std::string_view roadName,
                                           std::span<const std::uint8_t> speedBytes) {
  std::optional<RoadView> road = RoadFileView(image).FindRoadByName(roadName);
  if (!road) return {};
  const std::size_t segments = road->SegmentCount();
  const std::size_t withSpeed = std::min(segments, speedBytes.size());
  const bool odd = segments % 2 == 1;

  std::vector<std::uint8_t> records;
  records.reserve((odd ? 2 : 1) * withSpeed * kRoadSpeedRecordSize);
  auto append = [&records](std::uint32_t id, std::int32_t speed, std::string_view from, std::string_view to) {
    records.resize(records.size() + kRoadSpeedRecordSize, 0);
    WriteRoadSpeedRecord(records.data() + records.size() - kRoadSpeedRecordSize, id, speed, from, to);
  };

  std::size_t inserted = 0;
  for (std::size_t j = 0; j < withSpeed; ++j) {
    const SegmentView seg = road->Segment(j);
    const auto speed = static_cast<std::int32_t>(static_cast<std::int8_t>(speedBytes[j]));
    append(seg.id, speed, seg.from, seg.to);
    if (!odd || (inserted + j) % 2 != 0) continue;
    const std::string_view nextFrom = j + 1 < segments ? road->Segment(j + 1).from : std::string_view();
    if (seg.to != nextFrom) {
      append(seg.id, speed, seg.to, seg.from);
      ++inserted;
    }
  }
  return records;
}

}  // namespace protocol
