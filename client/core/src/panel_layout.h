// Where everything of the 240 x 320 panel goes: the painted rectangles, the colours,
// the child controls with their ids, texts, skin files and places, and the skin's
// background pictures. One table, used by the view, the painting and the tests.
#pragma once

#include <QColor>
#include <QRect>
#include <array>

namespace panel {

// Rectangles are given as the platform gives them: left, top, right, bottom (right
// and bottom exclusive).
constexpr QRect Ltrb(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

inline constexpr QRect kScreenRect = Ltrb(0, 0, 240, 320);
inline constexpr QRect kLoginScreenRect = Ltrb(0, 0, 240, 680);
inline constexpr QRect kIdFieldRect = Ltrb(58, 102, 176, 139);
inline constexpr QRect kTitleRect = Ltrb(58, 102, 176, 139);
inline constexpr QRect kCctvPictureRect = Ltrb(30, 14, 206, 142);
inline constexpr QRect kCctvNameRect = Ltrb(6, 125, 234, 145);
inline constexpr QRect kRouteLabelRect = Ltrb(8, 154, 240, 174);
inline constexpr QRect kRouteAreaRect = Ltrb(5, 154, 240, 199);
inline constexpr QRect kRouteTextRect = Ltrb(8, 169, 240, 229);
inline constexpr QRect kRoadNameRect = Ltrb(8, 207, 240, 227);
inline constexpr QRect kRoadAreaRect = Ltrb(5, 209, 240, 254);
inline constexpr QRect kRoadTextRect = Ltrb(8, 222, 240, 282);
inline constexpr QRect kNewsFlashRect = Ltrb(3, 270, 237, 293);

inline constexpr QColor kAmber{255, 204, 51};
inline constexpr QColor kYellow{255, 255, 0};
inline constexpr QColor kNewsGreen{54, 255, 55};
inline constexpr QColor kFrameBlue{199, 199, 255};

// Background pictures of the skin.
inline constexpr const char* kMainBitmap = "main.bmp";
inline constexpr const char* kLoginBitmap = "login_main.bmp";
inline constexpr const char* kIdFieldBitmap = "id_edit.bmp";
// The skin directory, under the handheld's program directory.
inline constexpr const char* kSkinDirectory = "\\Program Files\\KavrelClient\\skin\\";

// Control ids of the view's children.
enum ControlId : int {
  kCloseButton = 101,
  kMenuButton = 102,
  kNewsFlashControl = 103,
  kIdEdit = 104,
  kLoginButton = 105,
  kJoinButton = 106,
  kCctvButton = 107,
  kRoadButton = 108,
  kRouteButton = 109,
  kIdSearchButton = 110,
};

struct ButtonPlace {
  ControlId id;
  const char* text;      // window text (UTF-8)
  const char* skinName;  // "close" gives close_1.bmp (normal) and close_2.bmp (over, lit)
  QRect place;           // x, y, width, height
};

inline constexpr std::array<ButtonPlace, 8> kButtons{{
    {kCloseButton, "나가기", "close", QRect(217, 297, 21, 20)},
    {kMenuButton, "메뉴", "menuicon", QRect(2, 297, 21, 20)},
    {kLoginButton, "로그인", "login", QRect(45, 185, 70, 70)},
    {kJoinButton, "가입", "join", QRect(122, 185, 70, 70)},
    {kCctvButton, "동영상", "show_cctv", QRect(213, 124, 24, 24)},
    {kRoadButton, "대로등", "show_seoul", QRect(208, 227, 24, 24)},
    {kRouteButton, "가까운길", "show_short", QRect(208, 174, 24, 24)},
    {kIdSearchButton, "찾기", "id_sear", QRect(72, 153, 100, 27)},
}};

inline constexpr QRect kNewsFlashPlace(3, 270, 234, 23);
inline constexpr QRect kIdEditPlace(77, 120, 98, 18);

}  // namespace panel
