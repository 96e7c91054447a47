// The process's decoder behind the exported functions (tests and tools inside the
// core reach it here); nullptr outside Init ... Destroy.
#pragma once

namespace camdec {
class Decoder;
Decoder* Instance();
}  // namespace camdec
