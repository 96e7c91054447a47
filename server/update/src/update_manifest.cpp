#include "update_manifest.h"

#include <fstream>

#include <nlohmann/json.hpp>

namespace kavreld {
namespace {

bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos && name.find('\0') == std::string::npos && name != "manifest.json";
}

// Text that goes into one record: no record end or field separator may hide in it
// except where a field means it (";" in pre_info is a paragraph break).
bool RecordSafe(const std::string& text) { return text.find("<br>") == std::string::npos; }

std::optional<UpdateReply> ReplyKind(const std::string& s) {
  if (s == "none") return UpdateReply::None;
  if (s == "offer") return UpdateReply::Offer;
  if (s == "major") return UpdateReply::Major;
  if (s == "unconditional") return UpdateReply::Unconditional;
  return std::nullopt;
}

}  // namespace

std::string UpdateFilePath(const std::string& name) { return kUpdateFilePrefix + name; }

std::optional<UpdateManifest> UpdateManifest::Load(const std::filesystem::path& dir, std::string& error) {
  std::ifstream in(dir / "manifest.json");
  if (!in) {
    error = "no " + (dir / "manifest.json").string();
    return std::nullopt;
  }
  nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    error = "manifest.json is no JSON object";
    return std::nullopt;
  }
  UpdateManifest manifest;
  if (json.contains("server")) {
    if (!json["server"].is_string() || !RecordSafe(json["server"].get<std::string>()) ||
        json["server"].get<std::string>().find(';') != std::string::npos) {
      error = "\"server\" must be a host[:port]";
      return std::nullopt;
    }
    manifest.server = json["server"].get<std::string>();
  }
  const auto& versions = json.value("versions", nlohmann::json::object());
  if (!versions.is_object()) {
    error = "\"versions\" must be an object";
    return std::nullopt;
  }
  for (const auto& [version, e] : versions.items()) {
    auto fail = [&](const std::string& why) {
      error = "version " + version + ": " + why;
      return std::nullopt;
    };
    if (!e.is_object()) return fail("must be an object");
    UpdateEntry entry;
    auto kind = ReplyKind(e.value("reply", std::string()));
    if (!kind) return fail("\"reply\" must be offer, none, major or unconditional");
    entry.reply = *kind;
    try {
      entry.newVersion = e.value("new_version", std::string());
      entry.preInfo = e.value("pre_info", std::string());
      entry.endInfo = e.value("end_info", std::string());
      entry.files = e.value("files", std::vector<std::string>());
      entry.deleteList = e.value("delete", std::vector<std::string>());
    } catch (const nlohmann::json::exception&) {
      return fail("texts must be strings and lists lists of strings");
    }
    if (entry.files.size() > 2) return fail("at most two files");
    if ((entry.reply == UpdateReply::Offer || entry.reply == UpdateReply::Unconditional) && entry.files.empty())
      return fail("an update needs a file");
    for (const auto& name : entry.files) {
      if (!PlainName(name)) return fail("\"" + name + "\" is no plain file name");
      std::error_code ec;
      if (!std::filesystem::is_regular_file(dir / name, ec)) return fail("no file " + name);
    }
    for (const auto* text : {&entry.newVersion, &entry.preInfo, &entry.endInfo})
      if (!RecordSafe(*text)) return fail("texts may not hold <br>");
    for (const auto& name : entry.deleteList)
      if (!RecordSafe(name) || name.find(';') != std::string::npos) return fail("bad name in \"delete\"");
    if (entry.newVersion.find(';') != std::string::npos) return fail("bad \"new_version\"");
    manifest.versions.emplace(version, std::move(entry));
  }
  return manifest;
}

bool UpdateManifest::Serves(const std::string& name) const {
  for (const auto& [version, entry] : versions)
    for (const auto& file : entry.files)
      if (file == name) return true;
  return false;
}

std::string BuildUpdateReply(const UpdateEntry* entry, const std::string& host,
                             const std::vector<UpdateFileSize>& files) {
  if (!entry || entry->reply == UpdateReply::None) return "No update is available<br>\n";
  std::string text;
  switch (entry->reply) {
    case UpdateReply::Major: text = "Major update<br>\n"; break;
    case UpdateReply::Unconditional: text = "Unconditional update<br>\n"; break;
    default: text = "Update<br>\n"; break;
  }
  text += "[server];" + host + "<br>\n";
  // The first file is fetched last: the first named here is patch file 1.
  if (!files.empty()) {
    text += "[patch_file];" + UpdateFilePath(files[0].name) + ";" + std::to_string(files[0].size);
    if (files.size() > 1) text += ";" + UpdateFilePath(files[1].name) + ";" + std::to_string(files[1].size);
    text += "<br>\n";
  }
  if (!entry->deleteList.empty()) {
    text += "[del_list];" + std::to_string(entry->deleteList.size());
    for (const auto& name : entry->deleteList) text += ";" + name;
    text += "<br>\n";
  }
  if (!entry->newVersion.empty()) text += "[new_ver];" + entry->newVersion + "<br>\n";
  if (!entry->preInfo.empty()) text += "[pre_info];" + entry->preInfo + "<br>\n";
  if (!entry->endInfo.empty()) text += "[end_info];" + entry->endInfo + "<br>\n";
  return text;
}

}  // namespace kavreld
