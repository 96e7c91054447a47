// Reads one group of a profile file in the INI form that the client's settings store
// (QSettings) writes: [Group] lines, key=value lines, quoted and escaped values,
// percent-encoded names. A reader of its own so that the desktop side needs no Qt.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::device {

struct ProfileEntry {
  std::string name;                    // decoded key name (UTF-8)
  std::optional<std::u16string> text;  // nullopt when the value is not one plain text
};

// The entries of `group` (compared without regard to ASCII case; sections that repeat
// are merged, a later key replaces an earlier one), or nullopt when the group is not
// in the file.
std::optional<std::vector<ProfileEntry>> ReadProfileGroup(std::string_view fileText, std::string_view group);

}  // namespace kavrel::device
