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
  // Whether the encoder's own reconstruction is what the stream says (see below).
  bool encoderTracks = true;
};

inline std::vector<StreamInfo> AllStreams() {
  return {
      {"sqcif_intra_q1", 1, 128, 96, 3, false, "testsrc2"},     {"sqcif_inter_q3", 1, 128, 96, 8, false, "testsrc2"},
      {"qcif_intra_q2", 2, 176, 144, 2, false, "mandelbrot"},     {"qcif_inter_q5", 2, 176, 144, 10, false, "testsrc2"},
      {"qcif_inter_gob_q8", 2, 176, 144, 10, false, "testsrc2"}, {"qcif_ap_q10", 2, 176, 144, 10, true, "testsrc2"},
      {"qcif_ap_gob_q13", 2, 176, 144, 10, true, "testsrc2"},  {"qcif_ratecontrol", 2, 176, 144, 12, false, "testsrc2"},
      {"qcif_pan_q6", 2, 176, 144, 8, false, "testsrc2", "scroll=h=0.16:v=-0.1"},
      // With long vectors in Advanced Prediction mode, ffmpeg's encoder reconstructs one
      // picture (the fourth) otherwise than its own decoder and this one decode the
      // stream (they agree with each other there), so only the comparison with ffmpeg's
      // decoder applies.
      {"qcif_pan_ap_q6", 2, 176, 144, 8, true, "testsrc2", "scroll=h=0.16:v=-0.1", false},
      {"cif_intra_q20", 3, 352, 288, 2, false, "testsrc2"},     {"cif_inter_q4", 3, 352, 288, 5, false, "testsrc2"},
      {"cif_ap_gob_q16", 3, 352, 288, 5, true, "testsrc2"},
  };
}

inline std::filesystem::path StreamPath(const std::string& name, const char* extension = ".263") {
  const char* source = std::getenv("KAVREL_SOURCE_DIR");
  std::filesystem::path root = source ? source : KAVREL_SOURCE_ROOT;
  return root / "h263dec" / "tests" / "streams" / (name + extension);
}

}  // namespace camdec_test
