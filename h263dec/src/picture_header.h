// Picture and group-of-blocks headers.
#pragma once

#include "bit_reader.h"

namespace camdec {

struct PictureHeader {
  int temporalReference = 0;
  int sourceFormat = 0;  // 1 sub-QCIF, 2 QCIF, 3 CIF, 4 4CIF, 5 16CIF
  bool inter = false;
  bool unrestrictedVectors = false;  // Annex D
  bool arithmeticCoding = false;     // Annex E, not supported
  bool advancedPrediction = false;   // Annex F
  bool pbFrames = false;             // Annex G, not supported
  int quant = 0;
  bool continuousPresence = false;
};

// Reads the fixed fields of the picture header: start code (not checked), temporal
// reference, type, quantiser, continuous presence (and its sub-bitstream indicator),
// then any extra insertion information, which is skipped.
void ReadPictureHeader(BitReader& bits, PictureHeader& h);

// Why a header cannot be decoded here, or nullptr when it can.
const char* UnsupportedReason(const PictureHeader& h);

// Macroblocks per group of blocks for a source format (1..5), 0 for any other.
int MacroblocksPerGob(int sourceFormat);

struct GobHeader {
  int number = 0;  // GN
  int frameId = 0;  // GFID
  int quant = 0;   // GQUANT
};

// True when the next bits are a group-of-blocks start code, possibly after stuffing
// zeros (at most 30 zero bits before its final 1).
bool GobHeaderAhead(BitReader& bits);
// Reads the header that GobHeaderAhead found.
void ReadGobHeader(BitReader& bits, bool continuousPresence, GobHeader& g);

}  // namespace camdec
