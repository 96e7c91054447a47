#include "one_step_reply.h"

#include <zlib.h>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "request_parser.h"

namespace kavreld {

using namespace protocol;

namespace {

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t word[4];
  kavrel::WriteU32(word, 0, v);
  out.insert(out.end(), word, word + 4);
}

// A block of a fixed size: the answer cut or zero-padded to it.
void AppendFixed(std::vector<std::uint8_t>& out, std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size, 0);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// A block of a u32 prefix (`prefix`) and the bytes.
void AppendPrefixed(std::vector<std::uint8_t>& out, std::uint32_t prefix, const std::vector<std::uint8_t>& bytes) {
  AppendU32(out, prefix);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& plain, int level) {
  uLongf size = compressBound(static_cast<uLong>(plain.size()));
  std::vector<std::uint8_t> out(size);
  if (compress2(out.data(), &size, plain.data(), static_cast<uLong>(plain.size()), level) != Z_OK) return {};
  out.resize(size);
  return out;
}

}  // namespace

std::vector<std::uint8_t> BuildOneStepReply(const protocol::OneStepRecord& s, const SingleAnswer& answer) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < s.itemCount; ++i) {
    switch (s.itemTypes[i]) {
      case protocol::kItemNews: {
        auto news = answer(kTickerText, {});
        AppendPrefixed(out, static_cast<std::uint32_t>(news.size()), news);
        break;
      }
      case protocol::kItemTextA:
      case protocol::kItemTextB:
      case protocol::kItemTextC:
        AppendFixed(out, answer(s.itemTypes[i], {}), kTextItemSize);
        break;
      case protocol::kItemLimits:
        AppendFixed(out, answer(kRefreshIntervals, {}), kServerLimitsSize);
        break;
      case protocol::kItemFlagA:
      case protocol::kItemFlagB:
        out.push_back(0);
        break;
      case protocol::kItemBroadcast:
        AppendFixed(out, answer(kBroadcastCheck, {}), kBroadcastBlockSize);
        break;
      default:  // not an item type: no block
        break;
    }
  }
  for (std::size_t j = 0; j < s.roadCount; ++j) {
    std::vector<std::uint8_t> body(kTextBodySize, 0);
    kavrel::WriteCp949Field(body.data(), body.size(), s.RoadName(j));
    auto speeds = answer(kRoadSpeed, std::move(body));
    AppendPrefixed(out, static_cast<std::uint32_t>(speeds.size()), speeds);
  }
  for (std::size_t j = 0; j < s.routeCount; ++j) {
    // The selection's query carries the kind in its first byte only.
    std::vector<std::uint8_t> body(s.routeQueries[j].begin(), s.routeQueries[j].end());
    std::fill(body.begin() + 1, body.begin() + 4, 0);
    auto records = answer(kRoute, std::move(body));
    records.resize(records.size() - records.size() % protocol::kRouteRecordSize);
    AppendPrefixed(out, static_cast<std::uint32_t>(records.size() / protocol::kRouteRecordSize), records);
  }
  for (std::size_t j = 0; j < s.cameraCount; ++j) {
    std::vector<std::uint8_t> body(kCameraIdBodySize);
    kavrel::WriteU32(body.data(), 0, s.cameraIds[j]);
    auto picture = answer(kCctvStill, std::move(body));
    AppendPrefixed(out, static_cast<std::uint32_t>(picture.size()), picture);
  }
  return out;
}

std::vector<std::uint8_t> CompressOneStepReply(const std::vector<std::uint8_t>& expanded) {
  std::vector<std::uint8_t> packed = Compress(expanded, Z_BEST_COMPRESSION);
  if (expanded.size() > 10 * packed.size()) packed = Compress(expanded, Z_NO_COMPRESSION);
  return packed;
}

}  // namespace kavreld
