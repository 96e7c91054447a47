// The decoder's state between Init and Destroy, and the decoding of one picture.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "macroblock.h"
#include "picture_header.h"

namespace camdec {

// One picture's planes with a border around each (32 luminance, 16 chrominance
// pixels) that motion vectors may reach into.
struct PlaneSet {
  static constexpr int kLumaBorder = 32;
  static constexpr int kChromaBorder = 16;

  void Allocate(int width, int height);
  std::uint8_t* Y() { return y.data() + kLumaBorder * yStride + kLumaBorder; }
  std::uint8_t* Cb() { return cb.data() + kChromaBorder * cStride + kChromaBorder; }
  std::uint8_t* Cr() { return cr.data() + kChromaBorder * cStride + kChromaBorder; }
  // Repeats the edge pixels into the border.
  void ExtendBorder();

  int width = 0, height = 0, yStride = 0, cStride = 0;
  std::vector<std::uint8_t> y, cb, cr;
};

// Receives the one error report of a damaged picture.
using ErrorSink = std::function<void(const std::string& detail)>;

class Decoder {
 public:
  // format 1..3; false for any other.
  bool Init(std::uint32_t window, const std::uint8_t* input, std::uint8_t* output, int format);
  void Decode(int length);
  // Points the decoder at another input buffer (tests).
  void SetInput(const std::uint8_t* input) { input_ = input; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int FrameCount() const { return frameCount_; }
  bool NoPictureYet() const { return noPictureYet_; }
  // Number of pictures that had a bitstream error (tests and tools).
  int DamagedPictures() const { return damagedPictures_; }
  // The picture decoded last.
  PlaneSet& Current() { return sets_[current_]; }
  // What each macroblock of the picture decoded last was (tests).
  const std::vector<MbInfo>& Macroblocks() const { return info_; }

  // Replaces where reports of damaged pictures go (tests); empty = the default (the
  // window's text, or standard error without a window).
  void SetErrorSink(ErrorSink sink) { sink_ = std::move(sink); }

 private:
  void DecodePicture(BitReader& bits, const PictureHeader& h);
  void Report(const std::string& detail);
  void Conceal(int from, int to);
  void Store(int index);
  void ReconstructRow(int row);
  void Reconstruct(MacroblockData& mb, int mbx, int mby);
  void PredictInter(const MacroblockData& mb, int mbx, int mby);
  void PredictLumaOverlapped(const MacroblockData& mb, int mbx, int mby);
  MotionVector RemoteVector(int mbx, int mby, int block, const MotionVector& own) const;

  std::uint32_t window_ = 0;
  const std::uint8_t* input_ = nullptr;
  std::uint8_t* output_ = nullptr;
  int width_ = 0, height_ = 0, mbCols_ = 0, mbRows_ = 0;
  int frameCount_ = 0;
  bool noPictureYet_ = true;
  int damagedPictures_ = 0;

  PlaneSet sets_[3];
  int current_ = 0;
  PlaneSet* ref_ = nullptr;
  PlaneSet* cur_ = nullptr;

  // Per picture.
  bool reported_ = false;
  bool advancedPrediction_ = false;
  std::vector<MbInfo> info_;
  std::vector<MacroblockData> row_;  // the macroblock row being read
  ErrorSink sink_;
};

}  // namespace camdec
