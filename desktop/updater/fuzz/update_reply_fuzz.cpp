// Fuzz target: any reply body, joined and parsed, and the offer text made of it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "update_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view body(reinterpret_cast<const char*>(data), size);
  std::string joined = updater::JoinReplyLines(body);
  updater::ParsedReply reply = updater::ParseReply(joined);
  (void)updater::OfferText(reply.fields.preInfo);
  // Every list entry is a field of the text it came from.
  for (const auto& name : reply.fields.deleteList)
    if (name.size() > joined.size()) __builtin_trap();
  return 0;
}
