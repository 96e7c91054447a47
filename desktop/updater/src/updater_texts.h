// The updater's texts, by their number in its string table.
#pragma once

namespace updater::texts {

inline constexpr const char* kAboutItem = "Updater 정보(&A)...";                           // 101
inline constexpr const char* kConnectionFailed = "업데이트 서버와 연결 실패";                 // 106
inline constexpr const char* kDownloading = "업데이트 할 파일을 다운로드 중 입니다.";          // 107
inline constexpr const char* kNoServerInfo = "서버로부터 정보를 가져 오는데 실패 했습니다.";   // 111
inline constexpr const char* kDownloadStage = "업데이트 파일 다운로드";                       // 113
inline constexpr const char* kPatchInstall = "패치 인스톨";                                  // 114
inline constexpr const char* kFinishing = "업데이트 마무리";                                  // 115
inline constexpr const char* kDownloadComplete = "업데이트 파일 다운로드 완료";               // 118
inline constexpr const char* kDownloadCancelled = "다운로드가 취소 되었습니다.";              // 122

inline constexpr const char* kAboutCaption = "Updater 정보";
inline constexpr const char* kAboutVersion = "Updater 버전 1.0";
inline constexpr const char* kAboutOk = "확인";
inline constexpr const char* kWindowTitle = "Auto Updater";
inline constexpr const char* kCancel = "취소";
// The caption of the updater's message boxes: the program's name.
inline constexpr const char* kProgramName = "Updater";

// Report numbers sent as getinfo=.
inline constexpr int kReportConnectionFailed = 106;
inline constexpr int kReportNoServerInfo = 111;

}  // namespace updater::texts
