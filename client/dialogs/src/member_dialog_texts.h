// The texts of the membership dialogs' own checks.
#pragma once

namespace client::messages {

inline constexpr const char* kFillJoinForm = "가입 양식을 모두 기입해 주십시요";
inline constexpr const char* kEnterNumber = "주민 등록 번호를 정확하게 입력하십시요.";
inline constexpr const char* kEnterEmail = "이메일 주소를 정확하게 입력하십시요.";
inline constexpr const char* kFindIdFailed = "입력하신 주민번호의 해당 ID를 가져오는데 실패했습니다.";
inline constexpr const char* kFindEnterNumber = "주민번호를  정확하게 입력하십시요.";

}  // namespace client::messages
