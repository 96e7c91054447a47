#include "registration_number.h"

namespace kavreld {

bool IsValidRegistrationNumber(std::string_view number) {
  if (number.size() != 13) return false;
  for (char c : number)
    if (c < '0' || c > '9') return false;
  static constexpr int kWeights[12] = {2, 3, 4, 5, 6, 7, 8, 9, 2, 3, 4, 5};
  int sum = 0;
  for (int i = 0; i < 12; ++i) sum += (number[static_cast<std::size_t>(i)] - '0') * kWeights[i];
  int check = (11 - sum % 11) % 10;
  return number[12] - '0' == check;
}

}  // namespace kavreld
