// Any bytes as a compressed bulk reply: expansion stays inside its buffer.
#include <cstdint>
#include <vector>

#include "HTC_AC3.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> buffer(10 * size + 1);
  HTC_AC3_CONTEXT ctx = HTC_AC3_CreateContext(buffer.data());
  long n = HTC_AC3_DoDecoding(ctx, data, size, buffer.data(), 10 * size);
  HTC_AC3_DisposeContext(ctx);
  if (n > static_cast<long>(10 * size)) __builtin_trap();
  return 0;
}
