// Variable-length code tables of H.263 and their lookup tables. Each table is
// indexed by the next `bits` bits of the stream; an entry of length 0 marks a code
// that does not exist.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace camdec {

struct VlcEntry {
  std::int16_t value = 0;
  std::uint8_t length = 0;  // bits of the code, 0 = invalid
};

// One code of a table as written in the Recommendation ("0000 0101 1"), and its value.
struct VlcCode {
  std::string_view bits;
  int value;
};

struct VlcTable {
  int bits = 0;  // lookup width: the longest code
  std::vector<VlcEntry> entries;
};

// Builds the direct lookup table of `codes`.
VlcTable BuildVlcTable(const std::vector<VlcCode>& codes);

// Values of the macroblock type and coded block pattern for chrominance:
// value = type * 4 + cbpc; kMcbpcStuffing for the stuffing code.
constexpr int kMcbpcStuffing = -1;
// Type 5 (four vectors with a quantiser change) came with the standard's second
// edition; encoders use it in Advanced Prediction streams with plain picture headers.
enum MacroblockType { kInter = 0, kInterQ = 1, kInter4V = 2, kIntra = 3, kIntraQ = 4, kInter4VQ = 5 };

// Transform coefficient events: value = last << 12 | run << 4 | level (level 1..12),
// kTcoefEscape for the escape code. The sign bit follows the code.
constexpr int kTcoefEscape = -1;
constexpr int TcoefValue(int last, int run, int level) { return last << 12 | run << 4 | level; }

// The code lists (for tests) and the lookup tables built from them.
const std::vector<VlcCode>& McbpcIntraCodes();
const std::vector<VlcCode>& McbpcInterCodes();
const std::vector<VlcCode>& CbpyCodes();  // value = CBPY for intra macroblocks
const std::vector<VlcCode>& MvdCodes();   // value = vector difference in half pixels, -32..32
const std::vector<VlcCode>& TcoefCodes();

const VlcTable& McbpcIntraTable();
const VlcTable& McbpcInterTable();
const VlcTable& CbpyTable();
const VlcTable& MvdTable();
const VlcTable& TcoefTable();

// The coefficient table unpacked for the block loop: indexed by the next 12 bits.
struct TcoefEntry {
  std::uint8_t length;  // 0 = no such code
  std::uint8_t run;
  std::uint8_t level;   // 0 = escape
  std::uint8_t last;
};
const std::array<TcoefEntry, 4096>& TcoefLookup();

// Zigzag scan: position in the block of the n-th transmitted coefficient.
extern const std::array<std::uint8_t, 64> kZigzag;

}  // namespace camdec
