#include "install.h"

#include <fstream>
#include <sstream>

#include "cabinet.h"
#include "kavrel/device.h"
#include "setup_ini.h"

namespace appmgr {
namespace {
constexpr std::uintmax_t kMaxSetupFileBytes = 64 * 1024;
}

InstallOutcome InstallFromSetupFile(const std::filesystem::path& setupFile, const std::filesystem::path& device) {
  InstallOutcome outcome;
  std::error_code ec;
  auto size = std::filesystem::file_size(setupFile, ec);
  std::ifstream in(setupFile, std::ios::binary);
  if (ec || !in) {
    outcome.error = "The set-up file " + setupFile.string() + " cannot be read.";
    return outcome;
  }
  if (size > kMaxSetupFileBytes) {
    outcome.error = "The set-up file " + setupFile.string() + " is too large.";
    return outcome;
  }
  std::ostringstream text;
  text << in.rdbuf();
  auto ini = ParseSetupIni(text.str(), outcome.error);
  if (!ini) return outcome;
  outcome.component = ini->component;
  outcome.version = ini->version;
  for (const auto& name : ini->cabFiles)
    if (!InstallCabinet(setupFile.parent_path() / name, kavrel::device::ProgramDirectory(device), outcome.error))
      return outcome;
  outcome.ok = true;
  return outcome;
}

}  // namespace appmgr
