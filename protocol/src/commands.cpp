#include "protocol/commands.h"

#include <algorithm>
#include <cstdio>

#include "kavrel/little_endian.h"
#include "protocol/one_step_record.h"
#include "protocol/records.h"
#include "protocol/video.h"

namespace protocol {

std::array<std::uint8_t, kRequestHeaderSize> WriteRequestHeader(std::uint32_t code,
                                                                 const std::uint8_t localAddress[4]) {
  std::array<std::uint8_t, kRequestHeaderSize> h{};
  kavrel::WriteU32(h.data(), kHeaderCodeOffset, code);
  std::snprintf(reinterpret_cast<char*>(h.data() + kLocalAddressTextOffset), kLocalAddressTextSize, "%d.%d.%d.%d",
                localAddress[0], localAddress[1], localAddress[2], localAddress[3]);
  return h;
}

std::optional<RequestHeader> ReadRequestHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kRequestHeaderSize) return std::nullopt;
  const auto text = bytes.subspan(kLocalAddressTextOffset, kLocalAddressTextSize);
  const auto nul = std::find(text.begin(), text.end(), std::uint8_t{0});
  if (nul == text.end()) return std::nullopt;
  return RequestHeader{kavrel::ReadU32(bytes.data(), kHeaderCodeOffset), std::string(text.begin(), nul)};
}

std::optional<std::size_t> RequestBodySize(std::uint32_t code) {
  switch (code) {
    case kTickerText:
    case kTextItemA:
    case kTextItemB:
    case kRelayAddress:
    case kRefreshIntervals:
    case kBroadcastCheck:
      return 0;
    case kUserRegister:
    case kUserInfoUpdate:
      return kUserRecordSize;
    case kUserLogin:
    case kUserLogout:
      return kLoginRecordSize;
    case kRoadSpeed:
    case kPlaceSearch:
      return kTextBodySize;
    case kCctvStill:
      return kCameraIdBodySize;
    case kAnswerCheck:
    case kAnswerGet:
    case kUserInfoGet:
      return kUserIdBodySize;
    case kQuestionSend:
      return kQuestionPrefixSize;
    case kRoute:
      return kRouteQuerySize;
    case kUserInfoFind:
      return kRegistrationBodySize;
    case kOneStep:
      return kOneStepRecordSize;
    default:
      return std::nullopt;
  }
}

std::size_t CallerDataSize(std::uint32_t code) {
  switch (code) {
    case kUserRegister:
    case kUserInfoUpdate:
      return kUserRecordSize;
    case kUserLogin:
    case kUserLogout:
      return kLoginRecordSize;
    case kRoadList:
    case kRoadSegments:
    case kCctvStill:
      return 4;
    case kRoadSpeed:
    case kPlaceSearch:
      return kTextBodySize;
    case kRoute:
      return kRouteQuerySize;
    case kVideoStart:
      return kVideoStartRequestSize;
    case kUserInfoFind:
      return kRegistrationBodySize;
    case kOneStepLoad:
    case kOneStepReload:
      return kOneStepRecordSize;
    default:
      return 0;
  }
}

}  // namespace protocol
