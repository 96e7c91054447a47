#include "protocol/fixed_text.h"

#include <algorithm>

namespace protocol {

std::optional<std::string_view> FixedFieldText(std::span<const std::uint8_t> bytes, std::size_t offset,
                                               std::size_t size) {
  if (offset > bytes.size() || size > bytes.size() - offset) return std::nullopt;
  auto field = bytes.subspan(offset, size);
  auto nul = std::find(field.begin(), field.end(), std::uint8_t{0});
  if (nul == field.end()) return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(field.data()), static_cast<std::size_t>(nul - field.begin()));
}

}  // namespace protocol
