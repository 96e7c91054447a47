// What the application manager does with a set-up file: unpack the component's
// cabinets into the connected handheld's program folder.
#pragma once

#include <filesystem>
#include <string>

namespace appmgr {

struct InstallOutcome {
  bool ok = false;
  std::string error;      // when not ok
  std::string component;  // from the set-up file
  std::string version;    // the component's Version, to be recorded on the handheld
};

InstallOutcome InstallFromSetupFile(const std::filesystem::path& setupFile, const std::filesystem::path& device);

}  // namespace appmgr
