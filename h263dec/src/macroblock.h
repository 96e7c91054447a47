// Macroblock layer: types, coded block patterns, quantiser changes, motion vectors
// (with their prediction) and the coefficients of the blocks, dequantised.
#pragma once

#include <cstdint>
#include <vector>

#include "bit_reader.h"

namespace camdec {

struct MotionVector {
  int x = 0, y = 0;  // half pixels
  friend bool operator==(const MotionVector&, const MotionVector&) = default;
};

enum class MbMode : std::uint8_t {
  kMissing,  // not decoded (damaged picture): concealed from the previous picture
  kSkipped,  // not coded (COD = 1): zero vector, no residual
  kIntra,
  kInter,
};

// What later macroblocks need to know of a decoded one.
struct MbInfo {
  MbMode mode = MbMode::kMissing;
  MotionVector mv[4];  // one per luminance block (all four equal for one vector)
};

struct MacroblockData {
  MbMode mode = MbMode::kMissing;
  bool fourVectors = false;
  int cbp = 0;  // bit 5 - b set when block b (Y1..Y4, Cb, Cr) has coefficients
  int dcOnly = 0;  // bit b set when block b's only coefficient is its first
  MotionVector mv[4];
  // Coefficients of the blocks that have them (intra blocks always); the others are
  // left as they were.
  alignas(16) std::int16_t coeff[6][64];
};

// Where the macroblock stands and what the picture allows.
struct MacroblockContext {
  bool interPicture = false;
  bool unrestrictedVectors = false;
  bool advancedPrediction = false;
  int mbCols = 0;
  int mbIndex = 0;
  // Macroblocks before this index lie in an earlier group of blocks whose next group
  // carried a header, so they are not used for vector prediction from above.
  int gobFirstMb = 0;
  bool gobHeader = false;
  const std::vector<MbInfo>* info = nullptr;  // decoded macroblocks of this picture
};

enum class ParseResult {
  kOk,
  kError,  // bitstream error: the rest of the group cannot be read
};

// Reads one macroblock. `quant` is the running quantiser, updated by DQUANT.
// `why` names the fault on kError.
ParseResult ParseMacroblock(BitReader& bits, const MacroblockContext& ctx, int& quant, MacroblockData& mb,
                            const char*& why);

// Motion vector prediction: the median of the candidates for luminance block `block`
// (0..3) of the macroblock at ctx.mbIndex; `current` holds the vectors already
// decoded in this macroblock.
MotionVector PredictVector(const MacroblockContext& ctx, int block, const MotionVector current[4]);

// One component from its predictor and the first value of the difference code
// (-32..32 half pixels), in the default range or that of Unrestricted Motion Vectors.
int DecodeVectorComponent(int predictor, int difference, bool unrestricted);

// Vector of both chrominance blocks, in chrominance half pixels.
int ChromaFromOneVector(int v);
int ChromaFromFourVectors(int sum);

// Reads the coefficients of one block into `coeff` (zeroed by the caller, natural
// order, dequantised); `end` becomes one past the last coefficient's scan position.
// Returns false on a bitstream error.
bool ParseBlock(BitReader& bits, std::int16_t coeff[64], bool intra, bool coded, int quant, int& end,
                const char*& why);

}  // namespace camdec
