// The committed test streams (made by scripts/make-test-streams).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace camdec_test {

struct StreamInfo {
  std::string name;
  int format, width, height, pictures;
  bool advancedPrediction;
  const char* source;  // the ffmpeg test source the stream was encoded from
  const char* filter = "";  // and the filter applied to it
  // The encoder's reconstruction departs from its stream: its motion search found a
  // vector beyond the range for a macroblock it then coded intra, and it blended that
  // vector into the right columns of the macroblock to the left, where the stream
  // (and so every decoder) blends the left macroblock's own vector (see
  // scripts/make-test-streams).
  bool encoderDeparts = false;
  // How close ffmpeg's decoder comes to ours, in dB of every picture's pixels; 0 for
  // the usual 45 (40 with Advanced Prediction, see conformance_test.cpp).
  double ffmpegFloor = 0;
};

inline std::vector<StreamInfo> AllStreams() {
  return {
      {"sqcif_intra_q1", 1, 128, 96, 3, false, "testsrc2"},     {"sqcif_inter_q3", 1, 128, 96, 8, false, "testsrc2"},
      {"qcif_intra_q2", 2, 176, 144, 2, false, "mandelbrot"},     {"qcif_inter_q5", 2, 176, 144, 10, false, "testsrc2"},
      {"qcif_inter_gob_q8", 2, 176, 144, 10, false, "testsrc2"}, {"qcif_ap_q10", 2, 176, 144, 10, true, "testsrc2"},
      {"qcif_ap_gob_q13", 2, 176, 144, 10, true, "testsrc2"},  {"qcif_ratecontrol", 2, 176, 144, 12, false, "testsrc2"},
      {"qcif_pan_q6", 2, 176, 144, 8, false, "testsrc2", "scroll=h=0.16:v=-0.1"},
      {"qcif_pan_ap_q6", 2, 176, 144, 8, true, "testsrc2", "scroll=h=0.16:v=-0.1", true},
      {"cif_intra_q20", 3, 352, 288, 2, false, "testsrc2"},     {"cif_inter_q4", 3, 352, 288, 5, false, "testsrc2"},
      {"cif_ap_gob_q16", 3, 352, 288, 5, true, "testsrc2"},
      // Advanced Prediction: vectors near the range's end at quantiser 2 without group
      // headers; rate control with quantiser changes (four-vector ones among them);
      // rotation; CIF.
      {"qcif_pan_ap_q2", 2, 176, 144, 8, true, "smptebars", "scroll=h=0.08:v=-0.097"},
      {"qcif_ratecontrol_ap", 2, 176, 144, 6, true, "testsrc2", "scroll=h=0.03:v=0.02"},
      {"qcif_rotate_ap_q6", 2, 176, 144, 6, true, "testsrc2", "rotate=a=0.12*n"},
      // ffmpeg's decoder drifts from its own encoder here by 16 dB (its vector of the
      // macroblock to the right); the encoder's reconstruction holds this one.
      {"cif_pan_ap_q4", 3, 352, 288, 6, true, "smptebars", "scroll=h=0.04:v=0.05", false, 30},
      {"qcif_pan_ap_q2_long", 2, 176, 144, 3, true, "rgbtestsrc", "scroll=h=0.09:v=-0.11", true},
  };
}

inline std::filesystem::path StreamPath(const std::string& name, const char* extension = ".263") {
  const char* source = std::getenv("KAVREL_SOURCE_DIR");
  std::filesystem::path root = source ? source : KAVREL_SOURCE_ROOT;
  return root / "h263dec" / "tests" / "streams" / (name + extension);
}

}  // namespace camdec_test
