// First dispatch stage: commands answered without the server.
#include "local_answers.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "ZMNTP.h"
#include "cctv_session.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "process_state.h"
#include "protocol/commands.h"
#include "protocol/road_file.h"

namespace zmntp {

using namespace protocol;
namespace {

// Tunnels whose speed the server does not report: both directions at 60 km/h.
constexpr std::int32_t kTunnelSpeed = 60;

struct Tunnel {
  std::string name;  // CP949, as the client sends it
  std::string end1;
  std::string end2;
};

const std::array<Tunnel, 5>& Tunnels() {
  static const std::array<Tunnel, 5> tunnels = [] {
    auto cp = [](std::string_view utf8) { return kavrel::Utf8ToCp949Lossy(utf8); };
    return std::array<Tunnel, 5>{{
        {cp("산복터널"), cp("산복터널북단"), cp("산복터널남단")},
        {cp("구룡터널"), cp("구룡터널북단"), cp("구룡터널남단")},
        {cp("문성터널"), cp("문성터널동"), cp("문성터널서")},
        {cp("삼청터널"), cp("삼청터널북"), cp("삼청터널남")},
        {cp("내곡터널"), cp("내곡터널북"), cp("내곡터널남")},
    }};
  }();
  return tunnels;
}

std::uint8_t* Record(LocalAnswer& answer, std::size_t unit) {
  answer.records.resize((answer.count + 1) * unit, 0);
  return answer.records.data() + answer.count++ * unit;
}

// CMD_ROAD_LIST: the names of every road of one category, in file order.
LocalAnswer RoadList(const RoadFileView& file, std::uint32_t category) {
  LocalAnswer answer;
  for (std::size_t i = 0, n = file.RoadCount(); i < n; ++i) {
    RoadView road = file.Road(i);
    if (road.Category() != category) continue;
    kavrel::WriteCp949Field(Record(answer, kRoadSpeedRecordSize) + kSpeedRecordRoadNameOffset, kNameFieldSize,
                            road.Name());
  }
  return answer;
}

// CMD_ROAD_SEGMENTS: the segments of the first road with this id, speed 0.
LocalAnswer RoadSegments(const RoadFileView& file, std::uint32_t roadId) {
  LocalAnswer answer;
  std::optional<RoadView> road = file.FindRoadById(roadId);
  if (!road) return answer;
  for (std::size_t j = 0, s = road->SegmentCount(); j < s; ++j) {
    SegmentView seg = road->Segment(j);
    WriteRoadSpeedRecord(Record(answer, kRoadSpeedRecordSize), seg.id, 0, seg.from, seg.to);
  }
  return answer;
}

// CMD_ROAD_SPEED for the tunnels of the table; any other name goes on to the cache
// and the server.
std::optional<LocalAnswer> TunnelSpeeds(const char* text) {
  std::string_view name(text, strnlen(text, kTextBodySize));
  for (const Tunnel& tunnel : Tunnels()) {
    if (tunnel.name != name) continue;
    LocalAnswer answer;
    WriteRoadSpeedRecord(Record(answer, kRoadSpeedRecordSize), 0, kTunnelSpeed, tunnel.end1, tunnel.end2);
    WriteRoadSpeedRecord(Record(answer, kRoadSpeedRecordSize), 0, kTunnelSpeed, tunnel.end2, tunnel.end1);
    return answer;
  }
  return std::nullopt;
}

// CMD_NAMED_CODE_LIST: every entry, in file order.
LocalAnswer NamedCodes(const RoadFileView& file) {
  LocalAnswer answer;
  for (std::size_t i = 0, n = file.NamedCodeCount(); i < n; ++i) {
    NamedCodeView entry = file.NamedCode(i);
    std::uint8_t* record = Record(answer, kNamedCodeRecordSize);
    kavrel::WriteCp949Field(record, kNamedCodeRecordNameSize, entry.name);
    kavrel::WriteU32(record, kNamedCodeRecordCodeOffset, entry.code);
  }
  return answer;
}

std::uint32_t U32Argument(const void* data) { return data ? kavrel::ReadU32(data, 0) : 0; }

}  // namespace

std::optional<LocalAnswer> AnswerLocally(std::span<const std::uint8_t> image, unsigned long code, const void* data) {
  const RoadFileView file(image);
  switch (code) {
    case CMD_ROAD_LIST:
      return RoadList(file, U32Argument(data));
    case CMD_ROAD_SEGMENTS:
      // Without an id there is no road to list.
      if (!data) return LocalAnswer{};
      return RoadSegments(file, U32Argument(data));
    case CMD_ROAD_SPEED:
      if (!data) return std::nullopt;
      return TunnelSpeeds(static_cast<const char*>(data));
    case CMD_NAMED_CODE_LIST:
      return NamedCodes(file);
    default:
      return std::nullopt;
  }
}

}  // namespace zmntp

int CZMNTP::CmdPreProcess(unsigned long code, unsigned long* count, void* data) {
  // The video session: started or ended here, never a result to fetch.
  if (code == CMD_CCTV_VIDEO_START || code == CMD_CCTV_VIDEO_STOP) {
    if (count) *count = 0;
    if (code == CMD_CCTV_VIDEO_START)
      zmntp::StartVideoSession(data);
    else
      zmntp::StopVideoSession();
    return RESULT_OK;
  }
  std::optional<zmntp::LocalAnswer> answer = zmntp::AnswerLocally(zmntp::State().roadFileImage, code, data);
  if (!answer) return RESULT_NOT_HANDLED;
  if (count) *count = answer->count;
  SetPending(std::move(answer->records));
  return RESULT_OK;
}
