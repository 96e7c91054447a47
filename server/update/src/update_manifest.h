// The update manifest (manifest.json in the updates folder): per installed version,
// which reply the update script gives and which files make up the update.
//
//   {
//     "server": "files.example:8080",     optional; default: the Host the request came to
//     "versions": {
//       "1.0": { "reply": "offer",         offer | none | major | unconditional
//                "new_version": "1.1",
//                "pre_info": "text;paragraph",
//                "end_info": "text",
//                "files": ["kavrel-1.1.ini", "kavrel-1.1.cab"],   one or two, in this folder
//                "delete": ["old.dll"] }
//     }
//   }
//
// A version the manifest does not name gets "No update is available".
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kavreld {

enum class UpdateReply { None, Offer, Major, Unconditional };

struct UpdateEntry {
  UpdateReply reply = UpdateReply::None;
  std::string newVersion;
  std::string preInfo;
  std::string endInfo;
  std::vector<std::string> files;  // plain file names in the updates folder
  std::vector<std::string> deleteList;
};

struct UpdateManifest {
  std::string server;
  std::map<std::string, UpdateEntry> versions;

  // Reads DIR/manifest.json; nullopt and `error` when it is missing or malformed (every
  // file it names must be a plain name of a regular file in DIR).
  static std::optional<UpdateManifest> Load(const std::filesystem::path& dir, std::string& error);
  // Whether `name` is one of the files some version names.
  bool Serves(const std::string& name) const;
};

// The URL path under which the file `name` is served.
std::string UpdateFilePath(const std::string& name);
inline constexpr const char* kUpdateFilePrefix = "/files/";

// The reply text for `entry`: one record per line, each ending in "<br>". `host` goes
// into the [server] record; `sizeOf` gives each file's size.
struct UpdateFileSize {
  std::string name;
  std::int64_t size = 0;
};
std::string BuildUpdateReply(const UpdateEntry* entry, const std::string& host,
                             const std::vector<UpdateFileSize>& files);

}  // namespace kavreld
