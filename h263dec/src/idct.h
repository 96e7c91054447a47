// Integer inverse DCT (Chen-Wang, as in the MPEG-2 reference software): rows first,
// then columns, results clipped to -256..255. Exact to the integer: later pictures
// are predicted from these values.
#pragma once

#include <cstdint>

namespace camdec {

// Transforms the 8 x 8 coefficients of `block` (row-major) in place.
void InverseDct(std::int16_t block[64]);
// The same for a block whose only coefficient is block[0]: every sample is then
// clip((8 x block[0] + 32) >> 6).
void InverseDctDcOnly(std::int16_t block[64]);
// The same, one row and one column at a time (the plain version of the kernel).
void InverseDctScalar(std::int16_t block[64]);

}  // namespace camdec
