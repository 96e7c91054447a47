// CAMDEC: decodes one H.263 picture at a time into 24-bit blue-green-red pixels.
//
// The four exports are plain functions with C linkage (extern "C"), so they are
// exported undecorated under the names Init, Decode, Destroy and GetVersion and can
// be called from C++ as they stand:
//
//   Init(0, coded, pixels, 2);   // window 0 = none, QCIF
//   Decode(length);              // once per picture placed in `coded`
//   Destroy();
//
// There is one decoder per process and no lock: Init ... Destroy sequences of
// different callers must not overlap.
#pragma once

#include <cstdint>

extern "C" {

// Picture formats accepted by Init.
enum CamdecFormat : int {
  CAMDEC_SUBQCIF = 1,  // 128 x 96
  CAMDEC_QCIF = 2,     // 176 x 144
  CAMDEC_CIF = 3,      // 352 x 288
};

// Prepares the decoder for pictures of `format` (1, 2 or 3). `window` is a platform
// window handle (kavrel/window_handles.h) that receives the text "error" when a
// picture is damaged; 0 means no window (the report then goes to standard error).
// `input` is the caller's buffer into which each coded picture is put before Decode;
// `output` receives width x height x 3 bytes per picture (blue, green, red; top row
// first; no row padding). Both buffers stay the caller's and are kept by address.
// Returns 0, or -1 for any other format.
__attribute__((visibility("default"))) int Init(std::uint32_t window, const unsigned char* input,
                                                unsigned char* output, int format);

// Decodes the `length` bytes of the coded picture now in the input buffer into the
// output buffer. Never reads more than `length` bytes of input, whatever they hold.
// Always returns 0 (also before Init, where it does nothing).
__attribute__((visibility("default"))) int Decode(int length);

// Releases everything Init allocated. Returns 0.
__attribute__((visibility("default"))) int Destroy();

// Returns 100.
__attribute__((visibility("default"))) int GetVersion();

}  // extern "C"
