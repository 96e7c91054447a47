// The pointer's shape while a window waits for something. The program installs a hook
// that changes its cursor; without one both calls do nothing (command-line tools).
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
