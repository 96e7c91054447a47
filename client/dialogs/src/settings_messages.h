// The texts of the settings pages' message boxes (caption: the client's own).
#pragma once

namespace client::messages {

inline constexpr const char* kSetItem = "원하는 정보를 설정해 주십시요.";
inline constexpr const char* kDuplicate = "표시 하고자 하는 정보가 중복됩니다.";
inline constexpr const char* kSetRoadPoint = "원하는 대로/다리/터널 표시 지점을 설정해 주십시요.";
inline constexpr const char* kNotRoad = "설정된 지점이 대로가 아닙니다. 다시 설정해 주십시요.";
inline constexpr const char* kNotBridge = "설정된 지점이 다리가 아닙니다. 다시 설정해 주십시요.";
inline constexpr const char* kNotTunnel = "설정된 지점이 터널이 아닙니다. 다시 설정해 주십시요.";
inline constexpr const char* kEnterPoint = "찾고자 하는 지점을 입력 하십시요";
inline constexpr const char* kSetRouteBySearch = "원하는 정보를 검색을 이용해 정확하게 설정해 주십시요.";

}  // namespace client::messages
