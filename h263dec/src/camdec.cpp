// The four exported entry points.
#include "camdec.h"

extern "C" {

int Init(std::uint32_t, const unsigned char*, unsigned char*, int format) {
  return (format >= 1 && format <= 3) ? 0 : -1;
}

int Decode(int) { return 0; }

int Destroy() { return 0; }

int GetVersion() { return 100; }

}  // extern "C"
