// Any file as a profile, read for a few groups.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "kavrel/profile_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (auto group : {"Settings", "General", "NEWSFLASH"}) {
    auto entries = kavrel::device::ReadProfileGroup(text, group);
    if (entries)
      for (const auto& e : *entries)
        if (e.text && e.text->size() > size) __builtin_trap();  // never longer than its source
  }
  return 0;
}
