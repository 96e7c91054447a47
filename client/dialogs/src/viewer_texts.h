// Texts, captions and sizes of the video viewer and the detail dialogs (the client's
// message boxes keep theirs in messages.h).
#pragma once

namespace viewer {

inline constexpr const char* kVideoCaption = "CCTV 실시간 동영상 보기";
inline constexpr const char* kNavTitle = "CCTV 동영상 보기";
inline constexpr const char* kCameraListLabel = "설정된 CCTV 리스트 ";
inline constexpr const char* kStopVideo = "동영상 멈춤";
inline constexpr const char* kOk = "확인";
inline constexpr const char* kVideoFailed = "동영상 가져오기 실패 했습니다. 다시 시도해 보십시요";
inline constexpr const char* kRoadCaption = "대로/다리/터널 소통 정보";
inline constexpr const char* kRouteCaption = "빠른길/가까운길 소통 정보";
inline constexpr const char* kNoName = "이름없음";
inline constexpr const char* kCctvMark = "  (CCTV)";

// A dialog fills the work area between the task bar and the command bar.
inline constexpr int kDialogWidth = 240;
inline constexpr int kDialogHeight = 268;

}  // namespace viewer
