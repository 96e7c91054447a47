// The handheld shell's services for Qt windows: the pointer's shape while a window
// waits, the full-screen switch, the navigation-bar title and the input panel.
#pragma once

#include "kavrel/cursor.h"

class QWidget;
class QString;

namespace kavrel::ui {

// Makes SetWaitCursor / SetArrowCursor (kavrel/cursor.h) change the application's
// cursor; callable from any thread (other threads post the change).
void InstallCursorHook();
// The shape last asked for.
CursorShape CurrentCursor();

// Height of the handheld's task bar and of its command bar.
constexpr int kShellBarHeight = 26;

// Full screen on: the frame moves up over the task bar (26 pixels) and grows over the
// task bar and the command bar (52 pixels); the command bar hides. Off: the frame moves
// 26 pixels down and shrinks by 52; the command bar shows. A frame at the top of the
// work area (y 26, 268 high) covers the 320-pixel screen and comes back. `commandBar`
// may be nullptr.
void SetFullScreen(QWidget* frame, QWidget* commandBar, bool on);

// There is no soft input panel on this platform: nothing to lower.
inline void HideInputPanel() {}

// The navigation bar shows the title of the window the widget belongs to.
void SetNavBarTitle(QWidget* widget, const QString& title);

}  // namespace kavrel::ui
