// Handheld file names on this machine. "\Program Files\KavrelClient\..." lies under
// the data directory ($KAVREL_HOME, else the build tree's or the installed
// share/kavrel); relative names such as ".\DBM.TXT" stay relative to the current
// directory.
#pragma once

#include <filesystem>
#include <string_view>

namespace kavrel {

// The directory that stands for "\Program Files\KavrelClient\".
std::filesystem::path DataDirectory();

// Maps a handheld path (backslashes) to a path here.
std::filesystem::path HandheldPath(std::string_view handheldPath);

}  // namespace kavrel
