// Live video: the request of code 160, the dialogue with the camera relay and the
// framing of the video server's stream.
//
// Relay dialogue (port 6000): the client sends VideoHeader {3, 1, 4} and the camera
// number as 4 characters of decimal text (NUL-padded). The relay answers 8 bytes
// {u32 status, u32 0}; when the status is 1 (accepted) the video server's address
// (24 bytes of dotted IPv4 text, NUL-terminated) and its port (u32) follow. The client
// ends with {3, 2, 0}; the relay answers 8 more bytes and closes.
// Stream: the client sends {2, 1, 0}; the video server sends frames, each an 8-byte
// header {u32 type, u32 length} followed, for type 1, by `length` bytes of one picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace protocol {

constexpr std::uint16_t kRelayPort = 6000;

// Dotted IPv4 text of 15 characters at most and its NUL: the relay address of the
// video start request.
constexpr std::size_t kRelayAddressTextSize = 16;

// VideoStartRequest (the caller's data of code 160): u32 window handle, u32 camera
// number, the relay's address text.
constexpr std::size_t kStartWindowOffset = 0;
constexpr std::size_t kStartCameraOffset = 4;
constexpr std::size_t kStartAddressOffset = 8;
constexpr std::size_t kVideoStartRequestSize = kStartAddressOffset + kRelayAddressTextSize;
struct VideoStartRequest {
  std::uint32_t window = 0;
  std::uint32_t camera = 0;
  std::string relayAddress;  // empty when the text does not fit its 16 bytes
};
std::array<std::uint8_t, kVideoStartRequestSize> WriteVideoStartRequest(const VideoStartRequest& r);
std::optional<VideoStartRequest> ReadVideoStartRequest(std::span<const std::uint8_t> bytes);

// VideoHeader (6 bytes, unaligned): u8 service, u8 operation, u32 body length.
constexpr std::size_t kVideoHeaderSize = 6;
struct VideoHeader {
  std::uint8_t service = 0;
  std::uint8_t operation = 0;
  std::uint32_t length = 0;
  bool operator==(const VideoHeader&) const = default;
};
constexpr VideoHeader kAskCamera{3, 1, 4};
constexpr VideoHeader kEndRelayDialogue{3, 2, 0};
constexpr VideoHeader kStartStream{2, 1, 0};
std::array<std::uint8_t, kVideoHeaderSize> WriteVideoHeader(const VideoHeader& h);
std::optional<VideoHeader> ReadVideoHeader(std::span<const std::uint8_t> bytes);

// The camera number as 4 characters of decimal text, NUL-padded.
constexpr std::size_t kCameraTextSize = 4;
constexpr std::uint32_t kLargestCamera = 9999;
// nullopt for a number above 9,999 (it would name another camera).
std::optional<std::array<std::uint8_t, kCameraTextSize>> WriteCameraText(std::uint32_t camera);
// Decimal digits, then NULs only.
std::optional<std::uint32_t> ReadCameraText(std::span<const std::uint8_t> text);

// Relay replies.
constexpr std::size_t kRelayReplySize = 8;
constexpr std::uint32_t kRelayAccepted = 1;
constexpr std::uint32_t kRelayRefused = 0;
constexpr std::size_t kVideoServerAddressSize = 24;
constexpr std::size_t kVideoServerPortSize = 4;
std::array<std::uint8_t, kRelayReplySize> WriteRelayReply(std::uint32_t status);
// The 8-byte reply's status word.
std::optional<std::uint32_t> ReadRelayStatus(std::span<const std::uint8_t> bytes);
struct VideoServer {
  std::string address;  // empty when the text has no NUL in its 24 bytes
  std::uint16_t port = 0;
};
// The 28 bytes after an accepting reply.
std::array<std::uint8_t, kVideoServerAddressSize + kVideoServerPortSize> WriteVideoServer(const VideoServer& v);
std::optional<VideoServer> ReadVideoServer(std::span<const std::uint8_t> bytes);

// Stream frames.
constexpr std::size_t kFrameHeaderSize = 8;
constexpr std::uint32_t kPictureFrame = 1;
struct FrameHeader {
  std::uint32_t type = 0;
  std::uint32_t length = 0;
  // The picture bytes that follow: `length` for a picture frame, none for any other.
  std::uint32_t PictureLength() const { return type == kPictureFrame ? length : 0; }
};
std::array<std::uint8_t, kFrameHeaderSize> WriteFrameHeader(const FrameHeader& h);
std::optional<FrameHeader> ReadFrameHeader(std::span<const std::uint8_t> bytes);

}  // namespace protocol
