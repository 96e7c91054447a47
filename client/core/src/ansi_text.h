// The client keeps its texts as QString; on every wire and in the handheld's files
// they are code page 949.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace client {

// nullopt when a character has no code page 949 form.
std::optional<std::string> ToAnsi(const QString& text);
// Characters without a code page 949 form become '?'.
std::string ToAnsiLossy(const QString& text);
// Bytes that are not code page 949 become '?'.
QString FromAnsi(std::string_view cp949);

}  // namespace client
