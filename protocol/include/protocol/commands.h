// The traffic protocol's requests: the 24-byte request header that opens every
// connection, the command codes, the body each code carries and the reply framing.
// One request per TCP connection: header, body, then a 4-byte little-endian length and
// that many reply bytes, then the client's 4-byte acknowledgement.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace protocol {

// --- Request header ---------------------------------------------------------------------

// u32 code, then the client's own IPv4 address as dotted text, NUL-terminated within
// its 20 bytes (the bytes after the NUL are sent as zero).
constexpr std::size_t kRequestHeaderSize = 24;
constexpr std::size_t kHeaderCodeOffset = 0;
constexpr std::size_t kLocalAddressTextOffset = 4;
constexpr std::size_t kLocalAddressTextSize = 20;

struct RequestHeader {
  std::uint32_t code = 0;
  std::string localAddress;  // the address text up to its NUL
};

// The header for `code` from the four address bytes (in memory order).
std::array<std::uint8_t, kRequestHeaderSize> WriteRequestHeader(std::uint32_t code,
                                                                 const std::uint8_t localAddress[4]);
// nullopt when fewer than 24 bytes are given or the address text has no NUL.
std::optional<RequestHeader> ReadRequestHeader(std::span<const std::uint8_t> bytes);

// --- Reply framing ------------------------------------------------------------------------

constexpr std::size_t kReplyLengthSize = 4;
constexpr std::size_t kAcknowledgementSize = 4;

// --- Command codes ------------------------------------------------------------------------

// Named by what they carry. The library's callers know them by the CMD_ names of ZMNTP.h.
enum Code : std::uint32_t {
  kTickerText = 1,         // the news flash text
  kUserRegister = 2,       // join: a UserRecord
  kUserLogin = 3,          // a LoginRecord
  kRoadList = 4,           // the roads of a category (answered from the road file)
  kRoadSegments = 5,       // the segments of a road (answered from the road file)
  kRoadSpeed = 7,          // a road's name; one signed speed byte per segment
  kUserLogout = 8,         // a LoginRecord
  kCameraCatalogue = 9,    // the road file's named codes: camera names and ids
  kCctvStill = 16,         // a camera id; one coded picture
  kTextItemA = 32,         // an 80-byte text of the operator's
  kTextItemB = 33,         // an 80-byte text of the operator's
  kRelayAddress = 34,      // 80 bytes: the camera relay's address text
  kPlaceSearch = 48,       // a search text; the SearchReply of matching places
  kRefreshIntervals = 64,  // ServerLimits
  kFlagA = 80,             // one byte, answered from the bulk cache only
  kBroadcastCheck = 96,    // the newest traffic broadcast time
  kFlagB = 112,            // one byte, answered from the bulk cache only
  kQuestionSend = 128,     // member ID, u32 length, the question text
  kAnswerCheck = 129,      // member ID; the number of answers waiting
  kAnswerGet = 130,        // member ID; one answer
  kRoute = 144,            // a RouteQuery; RouteSegmentRecords
  kVideoStart = 160,       // a VideoStartRequest (the library's video session)
  kVideoStop = 161,        // ends the video session
  kUserInfoGet = 176,      // member ID; a UserRecord
  kUserInfoUpdate = 177,   // a UserRecord
  kUserInfoFind = 178,     // a registration number; the member's ID
  kOneStep = 240,          // the bulk exchange's own wire code
  kOneStepLoad = 241,      // the caller's selection (library only)
  kOneStepReload = 242,    // the caller's selection (library only)
};

// --- Request bodies (what follows the header) ---------------------------------------------

constexpr std::size_t kTextBodySize = 128;      // codes 7 and 48: text formatted into 128 bytes
constexpr std::size_t kTextCharsMax = kTextBodySize - 1;
constexpr std::size_t kUserIdBodySize = 21;     // codes 129, 130, 176: the member's ID with its NUL
constexpr std::size_t kRegistrationBodySize = 14;  // code 178: 13 digits and the NUL
constexpr std::size_t kCameraIdBodySize = 4;    // code 16
// Code 128: the member's ID, a u32 text length, then the text.
constexpr std::size_t kQuestionLengthOffset = kUserIdBodySize;
constexpr std::size_t kQuestionPrefixSize = kUserIdBodySize + 4;
constexpr std::size_t kMaxQuestionLength = 4000;

// The body size a server reads after the header of `code`, or nullopt for a code that
// never reaches the server. Code 128 gives its fixed prefix; the text follows.
std::optional<std::size_t> RequestBodySize(std::uint32_t code);

// How many bytes of the caller's data the library reads for `code` (SendCmd's `data`):
// 0 when it reads none. Texts (codes 7, 48, 178) are read up to their NUL but never
// past this size; code 128 reads the question's length as the caller gives it.
std::size_t CallerDataSize(std::uint32_t code);

// --- Reply words ---------------------------------------------------------------------------

// Result words of the membership replies (join, login, question, ...).
constexpr std::uint32_t kResultOk = 0;
constexpr std::uint32_t kResultIdTaken = 16;
constexpr std::uint32_t kResultRefused = 32;  // a join or question the server will not take
constexpr std::uint32_t kResultUnknownMember = 48;

}  // namespace protocol
