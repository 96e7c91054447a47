// Texts of fixed fields: up to the NUL inside the field, or refused.
#include "protocol/fixed_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace protocol {
namespace {

TEST(FixedFieldText, EndsAtTheNulInsideTheFieldOrIsRefused) {
  const std::vector<std::uint8_t> bytes = {'a', 'b', 0, 'c', 'd', 'e', 'f', 0};
  struct Case {
    std::size_t offset, size;
    std::optional<std::string_view> text;
  } cases[] = {
      {0, 3, "ab"}, {0, 8, "ab"}, {3, 5, "cdef"}, {2, 1, ""},
      {0, 2, std::nullopt},  // "ab" fills the field: no room for its NUL
      {3, 4, std::nullopt},  // "cdef" likewise
      {6, 4, std::nullopt},  // past the bytes
      {9, 0, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(FixedFieldText(bytes, c.offset, c.size), c.text) << c.offset << "+" << c.size;
}

}  // namespace
}  // namespace protocol
