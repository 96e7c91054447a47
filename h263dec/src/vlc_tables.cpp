#include "vlc_tables.h"

#include <string>

namespace camdec {

VlcTable BuildVlcTable(const std::vector<VlcCode>& codes) {
  VlcTable t;
  for (const auto& c : codes) {
    int len = 0;
    for (char ch : c.bits)
      if (ch == '0' || ch == '1') ++len;
    if (len > t.bits) t.bits = len;
  }
  t.entries.assign(std::size_t{1} << t.bits, VlcEntry{});
  for (const auto& c : codes) {
    unsigned code = 0;
    int len = 0;
    for (char ch : c.bits) {
      if (ch != '0' && ch != '1') continue;
      code = code << 1 | static_cast<unsigned>(ch - '0');
      ++len;
    }
    // Every index that starts with this code decodes to it.
    unsigned first = code << (t.bits - len);
    unsigned count = 1u << (t.bits - len);
    for (unsigned i = 0; i < count; ++i) {
      t.entries[first + i].value = static_cast<std::int16_t>(c.value);
      t.entries[first + i].length = static_cast<std::uint8_t>(len);
    }
  }
  return t;
}

const std::vector<VlcCode>& McbpcIntraCodes() {
  static const std::vector<VlcCode> codes = {
      {"1", kIntra * 4 + 0},       {"001", kIntra * 4 + 1},     {"010", kIntra * 4 + 2},
      {"011", kIntra * 4 + 3},     {"0001", kIntraQ * 4 + 0},   {"0000 01", kIntraQ * 4 + 1},
      {"0000 10", kIntraQ * 4 + 2}, {"0000 11", kIntraQ * 4 + 3}, {"0000 0000 1", kMcbpcStuffing},
  };
  return codes;
}

const std::vector<VlcCode>& McbpcInterCodes() {
  static const std::vector<VlcCode> codes = {
      {"1", kInter * 4 + 0},            {"0011", kInter * 4 + 1},
      {"0010", kInter * 4 + 2},         {"0001 01", kInter * 4 + 3},
      {"011", kInterQ * 4 + 0},         {"0000 111", kInterQ * 4 + 1},
      {"0000 110", kInterQ * 4 + 2},    {"0000 0010 1", kInterQ * 4 + 3},
      {"010", kInter4V * 4 + 0},        {"0000 101", kInter4V * 4 + 1},
      {"0000 100", kInter4V * 4 + 2},   {"0000 0101", kInter4V * 4 + 3},
      {"0001 1", kIntra * 4 + 0},       {"0000 0100", kIntra * 4 + 1},
      {"0000 0011", kIntra * 4 + 2},    {"0000 011", kIntra * 4 + 3},
      {"0001 00", kIntraQ * 4 + 0},     {"0000 0010 0", kIntraQ * 4 + 1},
      {"0000 0001 1", kIntraQ * 4 + 2}, {"0000 0001 0", kIntraQ * 4 + 3},
      {"0000 0000 1", kMcbpcStuffing},
      {"0000 0000 010", kInter4VQ * 4 + 0},  {"0000 0000 0110 0", kInter4VQ * 4 + 1},
      {"0000 0000 0111 0", kInter4VQ * 4 + 2}, {"0000 0000 0111 1", kInter4VQ * 4 + 3},
  };
  return codes;
}

const std::vector<VlcCode>& CbpyCodes() {
  static const std::vector<VlcCode> codes = {
      {"0011", 0},  {"0010 1", 1}, {"0010 0", 2}, {"1001", 3}, {"0001 1", 4}, {"0111", 5},
      {"0000 10", 6}, {"1011", 7}, {"0001 0", 8}, {"0000 11", 9}, {"0101", 10}, {"1010", 11},
      {"0100", 12}, {"1000", 13}, {"0110", 14}, {"11", 15},
  };
  return codes;
}

const std::vector<VlcCode>& MvdCodes() {
  // Magnitudes 0..32 of the difference in half pixels; the last bit is the sign
  // (0 positive, 1 negative). Only the negative code exists for 32 ("-16 & 16").
  static const std::vector<VlcCode> codes = [] {
    static const char* const prefix[33] = {
        "1",          "01",         "001",        "0001",       "0000 11",    "0000 101",
        "0000 100",   "0000 011",   "0000 0101 1", "0000 0101 0", "0000 0100 1",
        "0000 0100 01", "0000 0100 00", "0000 0011 11", "0000 0011 10", "0000 0011 01",
        "0000 0011 00", "0000 0010 11", "0000 0010 10", "0000 0010 01", "0000 0010 00",
        "0000 0001 11", "0000 0001 10", "0000 0001 01", "0000 0001 00", "0000 0000 111",
        "0000 0000 110", "0000 0000 101", "0000 0000 100", "0000 0000 011", "0000 0000 010",
        "0000 0000 0011", "0000 0000 0010"};
    static std::vector<std::string> texts;
    texts.reserve(66);
    std::vector<VlcCode> list;
    list.push_back({prefix[0], 0});
    for (int m = 1; m <= 32; ++m) {
      if (m < 32) {
        texts.push_back(std::string(prefix[m]) + "0");
        list.push_back({texts.back(), m});
      }
      texts.push_back(std::string(prefix[m]) + "1");
      list.push_back({texts.back(), -m});
    }
    return list;
  }();
  return codes;
}

const std::vector<VlcCode>& TcoefCodes() {
  static const std::vector<VlcCode> codes = {
      // LAST = 0
      {"10", TcoefValue(0, 0, 1)},
      {"1111", TcoefValue(0, 0, 2)},
      {"0101 01", TcoefValue(0, 0, 3)},
      {"0010 111", TcoefValue(0, 0, 4)},
      {"0001 1111", TcoefValue(0, 0, 5)},
      {"0001 0010 1", TcoefValue(0, 0, 6)},
      {"0001 0010 0", TcoefValue(0, 0, 7)},
      {"0000 1000 01", TcoefValue(0, 0, 8)},
      {"0000 1000 00", TcoefValue(0, 0, 9)},
      {"0000 0000 111", TcoefValue(0, 0, 10)},
      {"0000 0000 110", TcoefValue(0, 0, 11)},
      {"0000 0100 000", TcoefValue(0, 0, 12)},
      {"110", TcoefValue(0, 1, 1)},
      {"0101 00", TcoefValue(0, 1, 2)},
      {"0001 1110", TcoefValue(0, 1, 3)},
      {"0000 0011 11", TcoefValue(0, 1, 4)},
      {"0000 0100 001", TcoefValue(0, 1, 5)},
      {"0000 0101 0000", TcoefValue(0, 1, 6)},
      {"1110", TcoefValue(0, 2, 1)},
      {"0001 1101", TcoefValue(0, 2, 2)},
      {"0000 0011 10", TcoefValue(0, 2, 3)},
      {"0000 0101 0001", TcoefValue(0, 2, 4)},
      {"0110 1", TcoefValue(0, 3, 1)},
      {"0001 0001 1", TcoefValue(0, 3, 2)},
      {"0000 0011 01", TcoefValue(0, 3, 3)},
      {"0110 0", TcoefValue(0, 4, 1)},
      {"0001 0001 0", TcoefValue(0, 4, 2)},
      {"0000 0101 0010", TcoefValue(0, 4, 3)},
      {"0101 1", TcoefValue(0, 5, 1)},
      {"0000 0011 00", TcoefValue(0, 5, 2)},
      {"0000 0101 0011", TcoefValue(0, 5, 3)},
      {"0100 11", TcoefValue(0, 6, 1)},
      {"0000 0010 11", TcoefValue(0, 6, 2)},
      {"0000 0101 0100", TcoefValue(0, 6, 3)},
      {"0100 10", TcoefValue(0, 7, 1)},
      {"0000 0010 10", TcoefValue(0, 7, 2)},
      {"0100 01", TcoefValue(0, 8, 1)},
      {"0000 0010 01", TcoefValue(0, 8, 2)},
      {"0100 00", TcoefValue(0, 9, 1)},
      {"0000 0010 00", TcoefValue(0, 9, 2)},
      {"0010 110", TcoefValue(0, 10, 1)},
      {"0000 0101 0101", TcoefValue(0, 10, 2)},
      {"0010 101", TcoefValue(0, 11, 1)},
      {"0010 100", TcoefValue(0, 12, 1)},
      {"0001 1100", TcoefValue(0, 13, 1)},
      {"0001 1011", TcoefValue(0, 14, 1)},
      {"0001 0000 1", TcoefValue(0, 15, 1)},
      {"0001 0000 0", TcoefValue(0, 16, 1)},
      {"0000 1111 1", TcoefValue(0, 17, 1)},
      {"0000 1111 0", TcoefValue(0, 18, 1)},
      {"0000 1110 1", TcoefValue(0, 19, 1)},
      {"0000 1110 0", TcoefValue(0, 20, 1)},
      {"0000 1101 1", TcoefValue(0, 21, 1)},
      {"0000 1101 0", TcoefValue(0, 22, 1)},
      {"0000 0100 010", TcoefValue(0, 23, 1)},
      {"0000 0100 011", TcoefValue(0, 24, 1)},
      {"0000 0101 0110", TcoefValue(0, 25, 1)},
      {"0000 0101 0111", TcoefValue(0, 26, 1)},
      // LAST = 1
      {"0111", TcoefValue(1, 0, 1)},
      {"0000 1100 1", TcoefValue(1, 0, 2)},
      {"0000 0000 101", TcoefValue(1, 0, 3)},
      {"0011 11", TcoefValue(1, 1, 1)},
      {"0000 0000 100", TcoefValue(1, 1, 2)},
      {"0011 10", TcoefValue(1, 2, 1)},
      {"0011 01", TcoefValue(1, 3, 1)},
      {"0011 00", TcoefValue(1, 4, 1)},
      {"0010 011", TcoefValue(1, 5, 1)},
      {"0010 010", TcoefValue(1, 6, 1)},
      {"0010 001", TcoefValue(1, 7, 1)},
      {"0010 000", TcoefValue(1, 8, 1)},
      {"0001 1010", TcoefValue(1, 9, 1)},
      {"0001 1001", TcoefValue(1, 10, 1)},
      {"0001 1000", TcoefValue(1, 11, 1)},
      {"0001 0111", TcoefValue(1, 12, 1)},
      {"0001 0110", TcoefValue(1, 13, 1)},
      {"0001 0101", TcoefValue(1, 14, 1)},
      {"0001 0100", TcoefValue(1, 15, 1)},
      {"0001 0011", TcoefValue(1, 16, 1)},
      {"0000 1100 0", TcoefValue(1, 17, 1)},
      {"0000 1011 1", TcoefValue(1, 18, 1)},
      {"0000 1011 0", TcoefValue(1, 19, 1)},
      {"0000 1010 1", TcoefValue(1, 20, 1)},
      {"0000 1010 0", TcoefValue(1, 21, 1)},
      {"0000 1001 1", TcoefValue(1, 22, 1)},
      {"0000 1001 0", TcoefValue(1, 23, 1)},
      {"0000 1000 1", TcoefValue(1, 24, 1)},
      {"0000 0001 11", TcoefValue(1, 25, 1)},
      {"0000 0001 10", TcoefValue(1, 26, 1)},
      {"0000 0001 01", TcoefValue(1, 27, 1)},
      {"0000 0001 00", TcoefValue(1, 28, 1)},
      {"0000 0100 100", TcoefValue(1, 29, 1)},
      {"0000 0100 101", TcoefValue(1, 30, 1)},
      {"0000 0100 110", TcoefValue(1, 31, 1)},
      {"0000 0100 111", TcoefValue(1, 32, 1)},
      {"0000 0101 1000", TcoefValue(1, 33, 1)},
      {"0000 0101 1001", TcoefValue(1, 34, 1)},
      {"0000 0101 1010", TcoefValue(1, 35, 1)},
      {"0000 0101 1011", TcoefValue(1, 36, 1)},
      {"0000 0101 1100", TcoefValue(1, 37, 1)},
      {"0000 0101 1101", TcoefValue(1, 38, 1)},
      {"0000 0101 1110", TcoefValue(1, 39, 1)},
      {"0000 0101 1111", TcoefValue(1, 40, 1)},
      // ESCAPE, then LAST (1), RUN (6), LEVEL (8)
      {"0000 011", kTcoefEscape},
  };
  return codes;
}

const VlcTable& McbpcIntraTable() {
  static const VlcTable t = BuildVlcTable(McbpcIntraCodes());
  return t;
}
const VlcTable& McbpcInterTable() {
  static const VlcTable t = BuildVlcTable(McbpcInterCodes());
  return t;
}
const VlcTable& CbpyTable() {
  static const VlcTable t = BuildVlcTable(CbpyCodes());
  return t;
}
const VlcTable& MvdTable() {
  static const VlcTable t = BuildVlcTable(MvdCodes());
  return t;
}
const VlcTable& TcoefTable() {
  static const VlcTable t = BuildVlcTable(TcoefCodes());
  return t;
}

const std::array<TcoefEntry, 4096>& TcoefLookup() {
  static const std::array<TcoefEntry, 4096> lookup = [] {
    std::array<TcoefEntry, 4096> t{};
    const VlcTable& table = TcoefTable();
    for (std::size_t i = 0; i < t.size(); ++i) {
      const VlcEntry& e = table.entries[i];
      if (e.length == 0) continue;
      t[i].length = e.length;
      if (e.value == kTcoefEscape) continue;
      t[i].last = static_cast<std::uint8_t>(e.value >> 12);
      t[i].run = static_cast<std::uint8_t>((e.value >> 4) & 63);
      t[i].level = static_cast<std::uint8_t>(e.value & 15);
    }
    return t;
  }();
  return lookup;
}

const std::array<std::uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

}  // namespace camdec
