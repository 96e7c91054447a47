#include "cabinet.h"

#include <libgcab.h>
#include <stdlib.h>

#include <memory>
#include <utility>
#include <vector>

namespace appmgr {
namespace fs = std::filesystem;
namespace {

// Everything a cabinet unpacks to together; more is not an update of the client.
constexpr std::uint64_t kMaxUnpackedBytes = 256ull << 20;

struct GObjectUnref {
  void operator()(gpointer p) const { g_object_unref(p); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
  void operator()(GError* e) const { g_error_free(e); }
};

std::string Describe(const std::string& what, GError* error) {
  return what + (error && error->message ? std::string(": ") + error->message : std::string());
}

// Removes a folder with everything in it when it goes.
struct RemoveTree {
  fs::path path;
  ~RemoveTree() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

}  // namespace

std::optional<fs::path> CabinetEntryPath(std::string_view name) {
  std::string text(name);
  for (char& c : text)
    if (c == '\\') c = '/';
  if (text.empty() || text[0] == '/' || (text.size() >= 2 && text[1] == ':')) return std::nullopt;
  fs::path path;
  std::string_view rest = text;
  while (!rest.empty()) {
    auto slash = rest.find('/');
    auto part = rest.substr(0, slash);
    rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
    if (part == "..") return std::nullopt;
    if (part.empty() || part == ".") continue;
    path /= std::string(part);
  }
  if (path.empty()) return std::nullopt;
  return path;
}

bool InstallCabinet(const fs::path& cabinet, const fs::path& destination, std::string& error) {
  GError* rawError = nullptr;
  auto takeError = [&] { return std::unique_ptr<GError, GErrorFree>(std::exchange(rawError, nullptr)); };

  GPtr<GFile> file(g_file_new_for_path(cabinet.c_str()));
  GPtr<GFileInputStream> in(g_file_read(file.get(), nullptr, &rawError));
  if (!in) {
    error = Describe("The cabinet " + cabinet.string() + " cannot be opened", takeError().get());
    return false;
  }
  GPtr<GCabCabinet> cab(gcab_cabinet_new());
  if (!gcab_cabinet_load(cab.get(), G_INPUT_STREAM(in.get()), nullptr, &rawError)) {
    error = Describe("The cabinet " + cabinet.string() + " is damaged", takeError().get());
    return false;
  }

  // Every name is checked before anything is written.
  std::uint64_t total = 0;
  GPtrArray* folders = gcab_cabinet_get_folders(cab.get());
  for (guint i = 0; folders && i < folders->len; ++i) {
    GSList* files = gcab_folder_get_files(GCAB_FOLDER(g_ptr_array_index(folders, i)));
    for (GSList* f = files; f; f = f->next) {
      GCabFile* entry = GCAB_FILE(f->data);
      const char* name = gcab_file_get_name(entry);
      auto path = CabinetEntryPath(name ? name : "");
      if (!path) {
        g_slist_free(files);
        error = "The cabinet names a file outside the program folder: \"" + std::string(name ? name : "") + "\"";
        return false;
      }
      gcab_file_set_extract_name(entry, path->c_str());
      total += gcab_file_get_size(entry);
    }
    g_slist_free(files);
  }
  if (total > kMaxUnpackedBytes) {
    error = "The cabinet unpacks to more than " + std::to_string(kMaxUnpackedBytes >> 20) + " MiB.";
    return false;
  }

  std::error_code ec;
  fs::create_directories(destination, ec);
  if (ec) {
    error = "The folder " + destination.string() + " cannot be made: " + ec.message();
    return false;
  }
  std::string pattern = (destination.parent_path() / ".install-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    error = "No room to unpack beside " + destination.string();
    return false;
  }
  RemoveTree staging{pattern};
  GPtr<GFile> stagingDir(g_file_new_for_path(staging.path.c_str()));
  if (!gcab_cabinet_extract_simple(cab.get(), stagingDir.get(), nullptr, nullptr, nullptr, &rawError)) {
    error = Describe("The cabinet " + cabinet.string() + " cannot be unpacked", takeError().get());
    return false;
  }

  // All files are out: move them into the program folder.
  std::vector<fs::path> unpacked;
  for (fs::recursive_directory_iterator it(staging.path, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file()) unpacked.push_back(it->path());
  if (ec) {
    error = "The unpacked files cannot be listed: " + ec.message();
    return false;
  }
  for (const auto& from : unpacked) {
    const auto to = destination / fs::relative(from, staging.path);
    fs::create_directories(to.parent_path(), ec);
    if (!ec) fs::rename(from, to, ec);
    if (ec) {
      error = "The file " + to.string() + " cannot be written: " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace appmgr
