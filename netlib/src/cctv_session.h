// The live video session behind codes 160 and 161: one session per process. Its thread
// asks the camera relay for the camera, opens the stream from the video server the relay
// names, and runs a CctvPlayer until code 161 stops it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zmntp {

constexpr std::uint16_t kRelayPort = 6000;

// The video start request (the caller's data of code 160): offset 0 u32 window handle,
// offset 4 u32 camera number, offset 8 the relay's address text, NUL-terminated.
constexpr std::size_t kStartWindowOffset = 0;
constexpr std::size_t kStartCameraOffset = 4;
constexpr std::size_t kStartAddressOffset = 8;
// Dotted IPv4 text of 15 characters at most, and its NUL.
constexpr std::size_t kAddressTextSize = 16;
// The camera number travels as 4 characters of decimal text.
constexpr std::uint32_t kLargestCamera = 9999;

// VideoHeader (6 bytes): u8 service, u8 operation, u32 body length.
constexpr std::size_t kVideoHeaderSize = 6;
// Relay reply: u32 status (1 = accepted), u32 not used; then, when accepted, the video
// server's address text (24 bytes) and its port (u32).
constexpr std::size_t kRelayReplySize = 8;
constexpr std::size_t kRelayAddressSize = 24;
constexpr std::uint32_t kRelayAccepted = 1;

// Codes 160 and 161 may come from any thread, in any order, any number of times: one
// start or stop runs at a time, and each of them returns within a fraction of a
// second whatever the session is doing (the session's threads look for their stop
// message while they wait).

// Code 160: starts a session with the request (a running one is ended first). Returns
// at once; the outcome shows in the window and the debug log only.
void StartVideoSession(const void* request);
// Code 161: ends the session and waits until its threads have finished; nothing
// happens without a session. Afterwards no picture of the session reaches any window.
void StopVideoSession();
bool VideoSessionRunning();

// Where the session is (for tests and diagnostics).
enum class VideoSessionPhase {
  None,                     // no session
  Starting,                 // started; its thread has not begun yet
  ConnectingToRelay,        // connect attempts to the relay
  AwaitingRelay,            // the relay dialogue
  ConnectingToVideoServer,  // connect attempts to the video server
  Streaming,                // the player runs
  WaitingForStop,           // after a failure: only code 161 is left
};
VideoSessionPhase CurrentVideoSessionPhase();

}  // namespace zmntp
