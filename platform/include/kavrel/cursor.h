// The pointer's shape while a window waits for something. The program installs a hook
// that changes its cursor; without one both calls do nothing (command-line tools).
//
// Threads. The hook is called from the libraries' worker threads, not from the GUI
// thread: the video renderer shows the wait cursor as it starts and the arrow with
// every frame it takes. A hook therefore only posts the change to its GUI thread (a
// queued call) and returns; it never waits for the GUI thread, which may at that
// moment be inside code 161 waiting for the renderer to end, and never starts or
// stops the video session itself. The hook is a plain function installed for the
// whole run: a call that began before SetCursorHook replaced it may still be running
// or about to run, so what it posts to must outlive the library's threads (the
// application object, not a dialog).
#pragma once

#include <atomic>

namespace kavrel {

enum class CursorShape { Arrow, Wait };

using CursorHook = void (*)(CursorShape);

// One hook per process, shared by every library that calls these functions.
inline __attribute__((visibility("default"))) std::atomic<CursorHook> cursorHook{nullptr};

inline void SetCursorHook(CursorHook hook) { cursorHook.store(hook); }

inline void SetWaitCursor() {
  if (CursorHook hook = cursorHook.load()) hook(CursorShape::Wait);
}

inline void SetArrowCursor() {
  if (CursorHook hook = cursorHook.load()) hook(CursorShape::Arrow);
}

}  // namespace kavrel
