#include "protocol/video.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kavrel/little_endian.h"
#include "protocol/fixed_text.h"

namespace protocol {

namespace {

// The text of a fixed field up to its NUL; empty when the field holds no NUL.
std::string TextToNul(std::span<const std::uint8_t> field) {
  return std::string(FixedFieldText(field, 0, field.size()).value_or(""));
}

// Copies `text` into a zeroed field, leaving room for the NUL.
void CopyText(std::uint8_t* field, std::size_t size, const std::string& text) {
  std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

}  // namespace

std::array<std::uint8_t, kVideoStartRequestSize> WriteVideoStartRequest(const VideoStartRequest& r) {
  std::array<std::uint8_t, kVideoStartRequestSize> out{};
  kavrel::WriteU32(out.data(), kStartWindowOffset, r.window);
  kavrel::WriteU32(out.data(), kStartCameraOffset, r.camera);
  CopyText(out.data() + kStartAddressOffset, kRelayAddressTextSize, r.relayAddress);
  return out;
}

std::optional<VideoStartRequest> ReadVideoStartRequest(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kStartAddressOffset) return std::nullopt;
  VideoStartRequest r;
  r.window = kavrel::ReadU32(bytes.data(), kStartWindowOffset);
  r.camera = kavrel::ReadU32(bytes.data(), kStartCameraOffset);
  // Longer than a dotted IPv4 text: no address (the connection then fails and is logged).
  r.relayAddress = TextToNul(bytes.subspan(kStartAddressOffset, std::min(kRelayAddressTextSize,
                                                                         bytes.size() - kStartAddressOffset)));
  return r;
}

std::array<std::uint8_t, kVideoHeaderSize> WriteVideoHeader(const VideoHeader& h) {
  std::array<std::uint8_t, kVideoHeaderSize> out{};
  out[0] = h.service;
  out[1] = h.operation;
  kavrel::WriteU32(out.data(), 2, h.length);
  return out;
}

std::optional<VideoHeader> ReadVideoHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kVideoHeaderSize) return std::nullopt;
  return VideoHeader{bytes[0], bytes[1], kavrel::ReadU32(bytes.data(), 2)};
}

std::optional<std::array<std::uint8_t, kCameraTextSize>> WriteCameraText(std::uint32_t camera) {
  if (camera > kLargestCamera) return std::nullopt;
  char text[8] = {};
  std::snprintf(text, sizeof text, "%u", camera);
  std::array<std::uint8_t, kCameraTextSize> out{};
  std::memcpy(out.data(), text, kCameraTextSize);
  return out;
}

std::optional<std::uint32_t> ReadCameraText(std::span<const std::uint8_t> text) {
  if (text.size() < kCameraTextSize) return std::nullopt;
  std::uint32_t camera = 0;
  std::size_t digits = 0;
  while (digits < kCameraTextSize && text[digits] >= '0' && text[digits] <= '9')
    camera = camera * 10 + (text[digits++] - '0');
  if (digits == 0) return std::nullopt;
  for (std::size_t i = digits; i < kCameraTextSize; ++i)
    if (text[i] != 0) return std::nullopt;
  return camera;
}

std::array<std::uint8_t, kRelayReplySize> WriteRelayReply(std::uint32_t status) {
  std::array<std::uint8_t, kRelayReplySize> out{};
  kavrel::WriteU32(out.data(), 0, status);
  return out;
}

std::optional<std::uint32_t> ReadRelayStatus(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kRelayReplySize) return std::nullopt;
  return kavrel::ReadU32(bytes.data(), 0);
}

std::array<std::uint8_t, kVideoServerAddressSize + kVideoServerPortSize> WriteVideoServer(const VideoServer& v) {
  std::array<std::uint8_t, kVideoServerAddressSize + kVideoServerPortSize> out{};
  CopyText(out.data(), kVideoServerAddressSize, v.address);
  kavrel::WriteU32(out.data(), kVideoServerAddressSize, v.port);
  return out;
}

std::optional<VideoServer> ReadVideoServer(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kVideoServerAddressSize + kVideoServerPortSize) return std::nullopt;
  // The port's low 16 bits are used.
  return VideoServer{TextToNul(bytes.first(kVideoServerAddressSize)),
                     static_cast<std::uint16_t>(kavrel::ReadU32(bytes.data(), kVideoServerAddressSize) & 0xFFFF)};
}

std::array<std::uint8_t, kFrameHeaderSize> WriteFrameHeader(const FrameHeader& h) {
  std::array<std::uint8_t, kFrameHeaderSize> out{};
  kavrel::WriteU32(out.data(), 0, h.type);
  kavrel::WriteU32(out.data(), 4, h.length);
  return out;
}

std::optional<FrameHeader> ReadFrameHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFrameHeaderSize) return std::nullopt;
  return FrameHeader{kavrel::ReadU32(bytes.data(), 0), kavrel::ReadU32(bytes.data(), 4)};
}

}  // namespace protocol
