// roadfile: builds the handheld's road file from its JSON source and shows a road
// file as that JSON.
//   roadfile build SRC.json OUT.dat
//   roadfile dump IN.dat
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "protocol/road_file.h"
#include "road_json.h"

namespace {

constexpr std::uintmax_t kMaxSourceSize = 64u << 20;

int Usage() {
  std::fputs(
      "usage: roadfile build SRC.json OUT.dat   build the road file from its source\n"
      "       roadfile dump IN.dat              print a road file as its source\n",
      stderr);
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "roadfile: %s\n", message.c_str());
  return 1;
}

void Warn(const std::string& message) { std::fprintf(stderr, "roadfile: warning: %s\n", message.c_str()); }

// At most `limit` bytes of the file; false when it cannot be read.
bool ReadFile(const std::filesystem::path& path, std::uintmax_t limit, std::string& bytes, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path.string();
    return false;
  }
  bytes.assign(static_cast<std::size_t>(limit), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(limit));
  if (in.bad()) {
    error = "cannot read " + path.string();
    return false;
  }
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return true;
}

int Build(const std::filesystem::path& sourcePath, const std::filesystem::path& outPath) {
  std::string text;
  std::string error;
  if (!ReadFile(sourcePath, kMaxSourceSize + 1, text, error)) return Fail(error);
  if (text.size() > kMaxSourceSize) return Fail(sourcePath.string() + " is larger than 64 MiB");
  protocol::RoadFileSource source;
  if (!roadfile::ParseRoadFileJson(text, source, error)) return Fail(sourcePath.string() + ": " + error);
  std::vector<std::uint8_t> image;
  if (!protocol::BuildRoadFileImage(source, image, error)) return Fail(sourcePath.string() + ": " + error);

  // Written beside the target and renamed, so that a failed run leaves no half file.
  std::filesystem::path temp = outPath;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return Fail("cannot write " + temp.string());
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, outPath, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return Fail("cannot write " + outPath.string());
  }
  return 0;
}

int Dump(const std::filesystem::path& imagePath) {
  std::string bytes;
  std::string error;
  if (!ReadFile(imagePath, protocol::kRoadFileSize + 1, bytes, error)) return Fail(error);
  if (bytes.size() != protocol::kRoadFileSize)
    Warn(imagePath.string() + " is " + (bytes.size() > protocol::kRoadFileSize ? "longer" : "shorter") + " than " +
         std::to_string(protocol::kRoadFileSize) + " bytes; read as the handheld reads it");
  std::vector<std::uint8_t> image(protocol::kRoadFileSize, 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());

  for (const std::string& w : roadfile::ImageWarnings(image)) Warn(w);
  std::vector<std::string> warnings;
  const std::string json = roadfile::RoadFileJson(protocol::ReadRoadFileImage(image), warnings);
  for (const std::string& w : warnings) Warn(w);
  std::fwrite(json.data(), 1, json.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "build") return Build(args[1], args[2]);
  if (args.size() == 2 && args[0] == "dump") return Dump(args[1]);
  return Usage();
}
