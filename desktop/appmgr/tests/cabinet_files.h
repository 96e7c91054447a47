// Test helpers: files and cabinets for the application manager's tests.
#pragma once

#include <libgcab.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "kavrel/testing/files.h"
#include "kavrel/testing/run.h"

namespace appmgr::testing {

using kavrel::testing::ReadFile;
using kavrel::testing::WriteFile;

// A cabinet made by the gcab tool from files (name -> content) laid out in `work`.
inline bool MakeCabinet(const std::filesystem::path& cab, const std::filesystem::path& work,
                        const std::map<std::string, std::string>& files) {
  std::vector<std::string> args{"/usr/bin/gcab", "-c", cab.string()};
  for (const auto& [name, content] : files) {
    WriteFile(work / name, content);
    args.push_back(name);
  }
  return kavrel::testing::RunProgram(args, work.string()).exitCode == 0;
}

// A cabinet written with libgcab itself, which takes names the gcab tool would clean.
inline bool MakeCabinetWithNames(const std::filesystem::path& cab, const std::map<std::string, std::string>& files) {
  GError* error = nullptr;
  GCabCabinet* cabinet = gcab_cabinet_new();
  GCabFolder* folder = gcab_folder_new(GCAB_COMPRESSION_NONE);
  bool ok = true;
  for (const auto& [name, content] : files) {
    GBytes* bytes = g_bytes_new(content.data(), content.size());
    GCabFile* file = gcab_file_new_with_bytes(name.c_str(), bytes);
    ok = ok && gcab_folder_add_file(folder, file, FALSE, nullptr, &error);
    g_object_unref(file);
    g_bytes_unref(bytes);
  }
  ok = ok && gcab_cabinet_add_folder(cabinet, folder, &error);
  GFile* out = g_file_new_for_path(cab.c_str());
  GFileOutputStream* stream = ok ? g_file_replace(out, nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, &error) : nullptr;
  ok = stream && gcab_cabinet_write_simple(cabinet, G_OUTPUT_STREAM(stream), nullptr, nullptr, nullptr, &error) &&
       g_output_stream_close(G_OUTPUT_STREAM(stream), nullptr, &error);
  if (stream) g_object_unref(stream);
  g_object_unref(out);
  g_object_unref(folder);
  g_object_unref(cabinet);
  if (error) g_error_free(error);
  return ok;
}

}  // namespace appmgr::testing
