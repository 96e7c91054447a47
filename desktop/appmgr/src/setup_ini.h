// The set-up file that the application manager is given: an INI text whose
// [CEAppManager] section names the component, whose own section lists its cabinets.
//   [CEAppManager]
//   Version   = 1.0
//   Component = KavrelClient
//   [KavrelClient]
//   Description = ...
//   CabFiles  = KavrelClient.cab
//   Version   = 1.1        (recorded as the client's installed version)
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace appmgr {

struct SetupIni {
  std::string component;
  std::vector<std::string> cabFiles;  // names in the set-up file's folder, in order
  std::string version;
};

// Section and key names ignore ASCII case; values are trimmed and may be quoted.
// nullopt with `error` set when something needed is missing or not usable.
std::optional<SetupIni> ParseSetupIni(std::string_view text, std::string& error);

}  // namespace appmgr
