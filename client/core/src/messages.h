// The texts and captions of the client's message boxes.
#pragma once

namespace client::messages {

inline constexpr const char* kCaption = "교통정보 티커";
inline constexpr const char* kCentreCaption = "교통정보센터 티커";
inline constexpr const char* kConnectFailed = "서버와 연결에 실패했습니다.";
inline constexpr const char* kSendFailed = "서버로 명령을 보내는데 실패했습니다.";
inline constexpr const char* kReceiveFailed = "서버로부터 응답을 받는데 실패했습니다.";
inline constexpr const char* kLoginFailed = "로그인 실패했습니다.";
inline constexpr const char* kEnterId = "아이디를 입력하십시요";
inline constexpr const char* kIdTooLong = "아이디가 너무 깁니다.";
inline constexpr const char* kIdNotKorean = "아이디에 쓸 수 없는 글자가 있습니다.";
inline constexpr const char* kSearchNotKorean = "찾을 지점 이름에 쓸 수 없는 글자가 있습니다.";
inline constexpr const char* kJoined = "가입에 성공하였습니다.";
inline constexpr const char* kIdInUse = "이미 사용중인 ID입니다.";
inline constexpr const char* kJoinFailed = "가입하는데 실패했습니다.";
inline constexpr const char* kMemberInfoChanged = "가입 정보가 수정되었습니다.";
inline constexpr const char* kMemberInfoChangeFailed = "가입 정보 수정에 실패했습니다.";
inline constexpr const char* kMemberInfoGetFailed = "서버로부터 가입 정보를 가져오는데 실패했습니다.";
// %1: the field's label.
inline constexpr const char* kFieldTooLong = "%1 항목이 너무 깁니다.";
inline constexpr const char* kFieldNotKorean = "%1 항목에 쓸 수 없는 글자가 있습니다.";
inline constexpr const char* kFetchFailed = "정보 받기 실패 ";
inline constexpr const char* kMoreVideo = "동영상을 더보시려면 확인 버튼을 눌러주세요";

}  // namespace client::messages
