// The resident registration number: 13 digits whose last one is a check digit over
// the first twelve (weights 2 3 4 5 6 7 8 9 2 3 4 5, check = (11 - sum mod 11) mod 10).
#pragma once

#include <string_view>

namespace kavreld {

// True when `number` is exactly 13 decimal digits and its check digit is right.
bool IsValidRegistrationNumber(std::string_view number);

}  // namespace kavreld
