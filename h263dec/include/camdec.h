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
// The exports work on the process's default decoder and take no lock: Init ... Destroy
// sequences of different callers must not overlap. A caller that shares the process
// with others (a video session beside still pictures) keeps a camdec::DecoderInstance
// of its own instead (below).
#pragma once

#include <cstdint>
#include <memory>

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

namespace camdec {

class Decoder;

// One decoder's whole state: what Init keeps, the picture planes, the reference picture.
// Its Init, Decode and Destroy behave exactly as the exports of the same names. One
// thread at a time uses an instance; instances share nothing that changes, so each
// may run on a thread of its own.
class __attribute__((visibility("default"))) DecoderInstance {
 public:
  DecoderInstance();
  ~DecoderInstance();
  DecoderInstance(const DecoderInstance&) = delete;
  DecoderInstance& operator=(const DecoderInstance&) = delete;

  int Init(std::uint32_t window, const unsigned char* input, unsigned char* output, int format);
  int Decode(int length);
  int Destroy();

  // The 4:2:0 planes of the picture decoded last, before colour conversion (Cb and Cr
  // of width / 2 x height / 2). Mid-grey until a picture is decoded; the pointers hold
  // until the next Decode or Destroy.
  struct Planes {
    const std::uint8_t* y = nullptr;
    const std::uint8_t* cb = nullptr;
    const std::uint8_t* cr = nullptr;
    int yStride = 0, cStride = 0, width = 0, height = 0;
  };
  // False outside Init ... Destroy.
  bool LastPlanes(Planes& planes) const;

  // The decoder itself (tests and tools built with the core); nullptr outside Init ... Destroy.
  Decoder* Core() const { return decoder_.get(); }

 private:
  std::unique_ptr<Decoder> decoder_;
};

}  // namespace camdec
