// The connected handheld: a device folder ($KAVREL_DEVICE) laid out as the handheld.
//   KAVREL_DEVICE/Program Files/KavrelClient/   the client's program folder (its KAVREL_HOME)
//   KAVREL_DEVICE/config/                       the handheld's profile (its XDG_CONFIG_HOME)
// The handheld's registry key "SOFTWARE\Org\App\Section" (current user) is the group
// [Section] of the profile file config/Org/App.conf, written by the client's settings
// store; "SOFTWARE\Org\App" itself is that file's [General] group.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavrel::device {

// The key of the client's settings section, which the installer reads and the
// application manager updates.
inline constexpr std::string_view kClientSettingsKey = "SOFTWARE\\VTQClient_PDA\\KavrelClientPDA\\Settings";
// Its values that belong to the desktop side: the installed version and the update address.
inline constexpr std::string_view kCurrentVersionValue = "curr_ver";
inline constexpr std::string_view kUpdateUrlValue = "update_url";

// The connected device's folder: $KAVREL_DEVICE when it is set and names a folder.
std::optional<std::filesystem::path> ConnectedDevice();

std::filesystem::path ProgramDirectory(const std::filesystem::path& device);
std::filesystem::path ConfigDirectory(const std::filesystem::path& device);

// Where a current-user key of the handheld lives on the device.
struct ProfileLocation {
  std::filesystem::path file;
  std::string group;  // "General" for the application key itself
};
// nullopt for keys outside "SOFTWARE\Org\App[\Section]" (any case of "SOFTWARE") or
// with names that cannot be file names.
std::optional<ProfileLocation> LocateProfileKey(const std::filesystem::path& device, std::string_view key);

}  // namespace kavrel::device
