#include "picture_header.h"

namespace camdec {

void ReadPictureHeader(BitReader& bits, PictureHeader& h) {
  bits.Skip(22);  // picture start code
  h.temporalReference = static_cast<int>(bits.Read(8));
  bits.Skip(5);  // marker, zero, split screen, document camera, freeze release
  h.sourceFormat = static_cast<int>(bits.Read(3));
  h.inter = bits.ReadBit() != 0;
  h.unrestrictedVectors = bits.ReadBit() != 0;
  h.arithmeticCoding = bits.ReadBit() != 0;
  h.advancedPrediction = bits.ReadBit() != 0;
  h.pbFrames = bits.ReadBit() != 0;
  h.quant = static_cast<int>(bits.Read(5));
  h.continuousPresence = bits.ReadBit() != 0;
  if (h.continuousPresence) bits.Skip(2);  // sub-bitstream indicator
  // Extra insertion information: while PEI is 1, eight spare bits follow.
  while (bits.ReadBit() != 0 && !bits.Overrun()) bits.Skip(8);
}

const char* UnsupportedReason(const PictureHeader& h) {
  if (MacroblocksPerGob(h.sourceFormat) == 0) return "unknown source format";
  if (h.arithmeticCoding) return "arithmetic coding";
  if (h.pbFrames) return "PB-frames";
  if (h.quant == 0) return "quantiser 0";
  return nullptr;
}

int MacroblocksPerGob(int sourceFormat) {
  switch (sourceFormat) {
    case 1: return 8;
    case 2: return 11;
    case 3: return 22;
    case 4: return 88;
    case 5: return 352;
    default: return 0;
  }
}

bool GobHeaderAhead(BitReader& bits) {
  if (bits.BitsLeft() < 17) return false;
  std::uint32_t next = bits.Peek(32);
  if (next == 0) return false;
  int zeros = __builtin_clz(next);
  return zeros >= 16 && zeros <= 30;
}

void ReadGobHeader(BitReader& bits, bool continuousPresence, GobHeader& g) {
  // Stuffing and start code: zeros up to the first 1 (GobHeaderAhead bounded them).
  for (int i = 0; i < 31 && bits.ReadBit() == 0; ++i) {
  }
  g.number = static_cast<int>(bits.Read(5));
  if (continuousPresence) bits.Skip(2);  // sub-bitstream indicator
  g.frameId = static_cast<int>(bits.Read(2));
  g.quant = static_cast<int>(bits.Read(5));
}

}  // namespace camdec
