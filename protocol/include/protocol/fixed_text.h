// Texts in fixed fields of requests and replies. A text ends with a NUL inside its
// field; a field without one holds a text that did not fit, and such a text is refused,
// never cut to the field (a user ID cut to its field would be another member's ID).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace protocol {

// The bytes of the field at `offset` of `size` bytes up to its NUL; nothing when the
// field has no NUL or does not lie inside `bytes`.
std::optional<std::string_view> FixedFieldText(std::span<const std::uint8_t> bytes, std::size_t offset,
                                               std::size_t size);

}  // namespace protocol
