// Writing H.263 bits by hand, for tests that need pictures no encoder makes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace camdec_test {

class BitWriter {
 public:
  void Put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) Bit((value >> i) & 1);
  }
  // Bits written as text ("0000 0101 1"); anything but 0 and 1 is skipped.
  void Put(std::string_view text) {
    for (char c : text)
      if (c == '0' || c == '1') Bit(static_cast<std::uint32_t>(c - '0'));
  }
  void Bit(std::uint32_t b) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    if (b) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (count_ % 8));
    ++count_;
  }
  void AlignWithZeros() {
    while (count_ % 8) Bit(0);
  }
  std::size_t BitCount() const { return count_; }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t count_ = 0;
};

struct HeaderFields {
  int temporalReference = 0;
  int sourceFormat = 2;
  bool inter = false;
  bool unrestrictedVectors = false;
  bool arithmeticCoding = false;
  bool advancedPrediction = false;
  bool pbFrames = false;
  int quant = 8;
};

inline void PutPictureHeader(BitWriter& w, const HeaderFields& h) {
  w.Put("0000 0000 0000 0000 1000 00");  // picture start code
  w.Put(static_cast<std::uint32_t>(h.temporalReference), 8);
  w.Put("10000");  // marker, zero, split screen, document camera, freeze release
  w.Put(static_cast<std::uint32_t>(h.sourceFormat), 3);
  w.Bit(h.inter);
  w.Bit(h.unrestrictedVectors);
  w.Bit(h.arithmeticCoding);
  w.Bit(h.advancedPrediction);
  w.Bit(h.pbFrames);
  w.Put(static_cast<std::uint32_t>(h.quant), 5);
  w.Bit(0);  // continuous presence
  w.Bit(0);  // extra insertion
}

inline void PutGobHeader(BitWriter& w, int number, int quant) {
  w.Put("0000 0000 0000 0000 1");
  w.Put(static_cast<std::uint32_t>(number), 5);
  w.Put(0, 2);  // frame id
  w.Put(static_cast<std::uint32_t>(quant), 5);
}

// An intra macroblock of an intra picture: every block's DC is `dc`; with `ac`, the
// first luminance block also carries one coefficient of level +1 at position 1.
inline void PutIntraMacroblock(BitWriter& w, int dc, bool ac = false) {
  w.Put("1");                       // MCBPC: intra, no chrominance coefficients
  w.Put(ac ? "0001 0" : "0011");    // CBPY: Y1 only / none
  for (int b = 0; b < 6; ++b) {
    w.Put(static_cast<std::uint32_t>(dc), 8);
    if (ac && b == 0) w.Put("0111 0");  // LAST 1, RUN 0, LEVEL +1
  }
}

// An intra macroblock inside an inter picture (COD 0, MCBPC intra), DC only.
inline void PutIntraInInter(BitWriter& w, int dc) {
  w.Put("0");          // COD: coded
  w.Put("0001 1");     // MCBPC: intra, no chrominance coefficients
  w.Put("0011");       // CBPY: none
  for (int b = 0; b < 6; ++b) w.Put(static_cast<std::uint32_t>(dc), 8);
}

}  // namespace camdec_test
