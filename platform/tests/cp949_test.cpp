#include "kavrel/cp949.h"

#include <gtest/gtest.h>

#include <array>

namespace kavrel {
namespace {

TEST(Cp949, KoreanRoundTrips) {
  const std::string utf8 = "한강대교 북단 -> 서울역 (3km)";
  auto cp = Utf8ToCp949(utf8);
  ASSERT_TRUE(cp);
  EXPECT_EQ(cp->substr(0, 4), "\xC7\xD1\xB0\xAD");  // 한강
  EXPECT_EQ(Cp949ToUtf8(*cp), utf8);

  std::u16string utf16 = u"교통정보 티커";
  auto cp16 = Utf16ToCp949(utf16);
  ASSERT_TRUE(cp16);
  EXPECT_EQ(Cp949ToUtf16(*cp16), utf16);
  EXPECT_EQ(Cp949ToUtf8(*cp16), "교통정보 티커");
}

TEST(Cp949, InvalidInputIsRefusedOrReplaced) {
  EXPECT_FALSE(Utf8ToCp949("\xFF\xFE"));                // not UTF-8
  EXPECT_FALSE(Utf8ToCp949("\xF0\x9F\x98\x80"));        // emoji: no CP949 form
  EXPECT_EQ(Utf8ToCp949Lossy("a\xF0\x9F\x98\x80" "b"), "a?b");
  EXPECT_FALSE(Cp949ToUtf8("\xB0"));                    // half a character
  EXPECT_EQ(Cp949ToUtf8Lossy("x\xB0"), "x?");
}

TEST(Cp949Field, CutsAtCharacterBoundaryAndReportsIt) {
  const std::string cp = *Utf8ToCp949("가한국");  // three two-byte characters
  std::array<char, 8> field;

  // 6 bytes of text + NUL fit in 7: not cut.
  field.fill('x');
  EXPECT_FALSE(WriteCp949Field(field.data(), 7, cp));
  EXPECT_EQ(std::string(field.data(), 7), cp + '\0');
  EXPECT_EQ(field[7], 'x');  // nothing written past the field

  // 6 bytes: only two characters and the NUL fit; the third is not split.
  field.fill('x');
  EXPECT_TRUE(WriteCp949Field(field.data(), 6, cp));
  EXPECT_EQ(std::string(field.data(), 6), cp.substr(0, 4) + std::string(2, '\0'));
  EXPECT_EQ(field[6], 'x');

  // 5 bytes: room for 4 bytes of text, i.e. exactly two characters.
  field.fill('x');
  EXPECT_TRUE(WriteCp949Field(field.data(), 5, cp));
  EXPECT_EQ(std::string(field.data(), 5), cp.substr(0, 4) + '\0');

  // A mix of one- and two-byte characters: "a가" in 3 bytes keeps only "a".
  field.fill('x');
  EXPECT_TRUE(WriteCp949Field(field.data(), 3, "a" + cp.substr(0, 2)));
  EXPECT_EQ(std::string(field.data(), 3), std::string("a\0\0", 3));

  EXPECT_FALSE(WriteCp949Field(field.data(), 0, ""));
  EXPECT_TRUE(WriteCp949Field(field.data(), 0, "a"));
}

TEST(Cp949Field, ReadStopsAtNulOrFieldEnd) {
  const char withNul[6] = {'a', 'b', '\0', 'c', 'd', 'e'};
  EXPECT_EQ(ReadCp949Field(withNul, 6), "ab");
  const char noNul[4] = {'w', 'x', 'y', 'z'};
  EXPECT_EQ(ReadCp949Field(noNul, 4), "wxyz");
  EXPECT_EQ(ReadCp949Field(noNul, 0), "");
}

TEST(Cp949Field, Utf8Form) {
  std::array<char, 32> field{};
  EXPECT_FALSE(WriteUtf8AsCp949Field(field.data(), field.size(), "남산1호터널"));
  EXPECT_EQ(Cp949ToUtf8(ReadCp949Field(field.data(), field.size())), "남산1호터널");
}

}  // namespace
}  // namespace kavrel
