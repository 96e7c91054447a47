#include "clip_tables.h"

namespace camdec {

ClipTables::ClipTables() {
  for (int i = -384; i < 640; ++i) byteStore[i + 384] = static_cast<std::uint8_t>(i < 0 ? 0 : i > 255 ? 255 : i);
  for (int i = -512; i < 512; ++i)
    shortStore[i + 512] = static_cast<std::int16_t>(i < -256 ? -256 : i > 255 ? 255 : i);
}

const ClipTables& Clip() {
  static const ClipTables tables;
  return tables;
}

}  // namespace camdec
