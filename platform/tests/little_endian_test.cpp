#include "kavrel/little_endian.h"

#include <gtest/gtest.h>

#include <array>

namespace kavrel {
namespace {

TEST(LittleEndian, FieldsAtOddOffsets) {
  std::array<std::uint8_t, 20> b{};
  WriteU8(b.data(), 0, 0xAB);
  WriteU16(b.data(), 1, 0x1234);
  WriteU32(b.data(), 3, 0xDEADBEEF);
  WriteU64(b.data(), 7, 0x0102030405060708ull);
  WriteI32(b.data(), 15, -2);
  const std::array<std::uint8_t, 20> expect = {0xAB, 0x34, 0x12, 0xEF, 0xBE, 0xAD, 0xDE, 0x08, 0x07, 0x06,
                                               0x05, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0x00};
  EXPECT_EQ(b, expect);
  EXPECT_EQ(ReadU8(b.data(), 0), 0xAB);
  EXPECT_EQ(ReadU16(b.data(), 1), 0x1234);
  EXPECT_EQ(ReadU32(b.data(), 3), 0xDEADBEEFu);
  EXPECT_EQ(ReadU64(b.data(), 7), 0x0102030405060708ull);
  EXPECT_EQ(ReadI32(b.data(), 15), -2);
  EXPECT_EQ(ReadLE<std::int8_t>(b.data(), 15), -2);
  EXPECT_EQ(ReadLE<std::int16_t>(b.data(), 15), -2);
}

}  // namespace
}  // namespace kavrel
