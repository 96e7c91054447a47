// Unpacking a cabinet into the handheld's program folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace appmgr {

// The folder-relative path of a file named in a cabinet ('\' or '/' between folders),
// or nullopt when the name is empty, absolute, carries a drive or climbs out with "..".
std::optional<std::filesystem::path> CabinetEntryPath(std::string_view name);

// Unpacks every file of `cabinet` into `destination`, keeping its folders. All names
// are checked first: one that would leave the folder refuses the whole cabinet. The
// files are unpacked beside the folder first and moved in once all are out, so a
// damaged cabinet changes nothing. false with `error` set on failure.
bool InstallCabinet(const std::filesystem::path& cabinet, const std::filesystem::path& destination,
                    std::string& error);

}  // namespace appmgr
