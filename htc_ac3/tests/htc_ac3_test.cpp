#include "HTC_AC3.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Compress(const Bytes& plain, int level = Z_BEST_COMPRESSION) {
  uLongf size = compressBound(plain.size());
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, plain.data(), plain.size(), level), Z_OK);
  out.resize(size);
  return out;
}

long Expand(const Bytes& compressed, Bytes& buffer) {
  HTC_AC3_CONTEXT ctx = HTC_AC3_CreateContext(buffer.data());
  long n = HTC_AC3_DoDecoding(ctx, compressed.data(), compressed.size(), buffer.data(), buffer.size());
  HTC_AC3_DisposeContext(ctx);
  return n;
}

Bytes Sample(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>((i * 31) ^ (i >> 5));
  return b;
}

TEST(HtcAc3, ExpandsAndReportsTheLength) {
  const Bytes plain = Sample(5000);
  const Bytes packed = Compress(plain);
  Bytes buffer(10 * packed.size() > plain.size() ? 10 * packed.size() : plain.size(), 0xAA);
  ASSERT_EQ(Expand(packed, buffer), static_cast<long>(plain.size()));
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(plain.size())), plain);
  // Exactly the capacity is enough.
  Bytes exact(plain.size());
  EXPECT_EQ(Expand(packed, exact), static_cast<long>(plain.size()));
  EXPECT_EQ(exact, plain);
}

TEST(HtcAc3, StreamLargerThanTheBufferIsRefusedWithoutWritingPastIt) {
  // 100,000 zeros compress to about 100 bytes: far more than ten times L.
  const Bytes packed = Compress(Bytes(100000, 0));
  Bytes buffer(10 * packed.size() + 16, 0x55);
  std::size_t capacity = 10 * packed.size();
  HTC_AC3_CONTEXT ctx = HTC_AC3_CreateContext(buffer.data());
  EXPECT_EQ(HTC_AC3_DoDecoding(ctx, packed.data(), packed.size(), buffer.data(), capacity), HTC_AC3_FAILED);
  HTC_AC3_DisposeContext(ctx);
  for (std::size_t i = capacity; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0x55) << i;
}

TEST(HtcAc3, DamagedOrCutStreamsFail) {
  const Bytes plain = Sample(3000);
  Bytes packed = Compress(plain);
  Bytes buffer(plain.size() * 2);
  Bytes cut(packed.begin(), packed.end() - 6);
  EXPECT_EQ(Expand(cut, buffer), HTC_AC3_FAILED);
  Bytes damaged = packed;
  damaged[damaged.size() / 2] ^= 0xFF;
  EXPECT_EQ(Expand(damaged, buffer), HTC_AC3_FAILED);
  EXPECT_EQ(Expand(Bytes{}, buffer), HTC_AC3_FAILED);
  EXPECT_EQ(HTC_AC3_DoDecoding(nullptr, packed.data(), packed.size(), buffer.data(), buffer.size()),
            HTC_AC3_FAILED);
}

}  // namespace
