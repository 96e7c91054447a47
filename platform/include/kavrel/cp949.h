// Code page 949 (Korean) texts: conversions through iconv and the fixed,
// NUL-terminated fields in which every handheld wire and file record keeps its texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavrel {

// Whole-text conversions; nullopt when the input is not valid in its encoding or a
// character has no counterpart in the target.
std::optional<std::string> Utf8ToCp949(std::string_view utf8);
std::optional<std::string> Cp949ToUtf8(std::string_view cp949);
std::optional<std::string> Utf16ToCp949(std::u16string_view utf16);
std::optional<std::u16string> Cp949ToUtf16(std::string_view cp949);

// Lenient forms for texts shown to people or written to logs: what cannot be
// converted becomes '?'.
std::string Utf8ToCp949Lossy(std::string_view utf8);
std::string Cp949ToUtf8Lossy(std::string_view cp949);

// Length of the CP949 character that starts with `lead`: 2 for a lead byte
// (0x81..0xFE), otherwise 1.
inline std::size_t Cp949CharLength(std::uint8_t lead) { return (lead >= 0x81 && lead <= 0xFE) ? 2 : 1; }

// Writes `cp949` into the field of `size` bytes followed by a NUL, zero-filling the
// rest. A text that does not fit is cut at a character boundary (never inside a
// two-byte character) so that text and NUL fit. Returns true when the text was cut.
// A field of size 0 receives nothing and reports a cut unless the text is empty.
bool WriteCp949Field(void* field, std::size_t size, std::string_view cp949);

// Converts a UTF-8 text and writes it as above. Returns true when cut; characters
// that have no CP949 form are written as '?'.
bool WriteUtf8AsCp949Field(void* field, std::size_t size, std::string_view utf8);

// The text of a field: up to its first NUL, never past `size` bytes.
std::string_view ReadCp949Field(const void* field, std::size_t size);

// Cuts a CP949 text to at most `maxBytes` at a character boundary.
std::string_view CutCp949(std::string_view cp949, std::size_t maxBytes);

}  // namespace kavrel
