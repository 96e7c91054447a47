// UTF-8 and UTF-16 conversions of whole texts (the handheld keeps UTF-16, the desktop
// UTF-8); nullopt for malformed input.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavrel::device {

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16);

}  // namespace kavrel::device
