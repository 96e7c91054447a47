// The handheld's 240 x 320 screen on a desktop: pictures of it as its user sees it, and
// the program's windows drawn N times larger on a desktop monitor.
#pragma once

#include <QImage>
#include <QString>

#include <optional>

class CMainFrame;
class QWidget;

namespace client {

inline constexpr int kScreenWidth = 240;
inline constexpr int kScreenHeight = 320;
inline constexpr int kMaxScale = 4;

// The screen as its user sees it: the main frame, and `top` (a dialog or box open over
// it; nullptr for none) with the windows between them. A window lies at the top of the
// work area below the navigation bar (which shows its title) unless it is too tall for
// it; a window narrower than the screen lies centred over the one below. The picture is
// 240 x 320 pixels whatever the scale of the windows.
QImage CaptureScreen(CMainFrame& frame, QWidget* top = nullptr);

// The scale of `--scale N`: a whole number from 1 to kMaxScale, nullopt otherwise.
std::optional<int> ParseScale(const QString& text);
// Draws every window of the program `scale` times larger: widgets, fonts and pictures
// are painted at that size and input is mapped back. Must run before the application
// object exists.
void SetScreenScale(int scale);

}  // namespace client
