// The live video session behind codes 160 and 161: one session per process. Its thread
// asks the camera relay for the camera, opens the stream from the video server the relay
// names, and runs a CctvPlayer until code 161 stops it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zmntp {

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
