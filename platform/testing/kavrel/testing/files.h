// Test helpers: whole files written and read in one call.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kavrel::testing {

// Writes `text` as the whole file, making its folder when needed.
inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The whole file; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace kavrel::testing
