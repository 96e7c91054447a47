// The installer's texts.
#pragma once

namespace setup::texts {

inline constexpr const char* kCaption = "PlumoSetup";
inline constexpr const char* kDialogText = "PlumoSetup을 시작합니다.";
inline constexpr const char* kStartButton = "Update시작";
inline constexpr const char* kCancelButton = "취소";

inline constexpr const char* kHandheldReadFailed = "PDA로 부터 정보를 가져 오는 데 실패했습니다.";
inline constexpr const char* kDesktopKeyOpenFailed = "Fatal Error: 레지스트리 열기 실패";
inline constexpr const char* kDesktopKeyReadFailed = "Fatal Error: 레지스트리 읽기 실패";
inline constexpr const char* kSyncKeyOpenFailed = "Fatal Error: Resistry Open failed";
inline constexpr const char* kSyncKeyQueryFailed = "Fatal Error: Resistry Query failed";
inline constexpr const char* kBatchNotOpened = "The file was not opened";
inline constexpr const char* kAppMgrExecuteFailed = "Fatal Error: CEAppMgr Execute failed";
inline constexpr const char* kUpdaterError = "Error";
// Notice 2: the offer text, a blank line, and the question.
inline constexpr const char* kUpdateQuestion = "새로운 버전을 다운받아 업데이트 하시겠습니까?";
// Notice 4: a major update that this installer does not install.
inline constexpr const char* kMajorUpdate =
    "프로그램의 주요 기능이 바뀌었습니다. 새 버전은 자동 업데이트로 설치할 수 없으니 따로 설치해 주십시오.";

}  // namespace setup::texts
