// The process's default decoder behind the exported functions (tests and tools inside
// the core reach it here).
#pragma once

#include "camdec.h"

namespace camdec {
DecoderInstance& DefaultInstance();
// Its decoder; nullptr outside Init ... Destroy.
inline Decoder* DefaultDecoder() { return DefaultInstance().Core(); }
}  // namespace camdec
