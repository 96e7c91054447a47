#include "camdec_stream_split.h"

namespace camdec {

std::vector<PictureSpan> SplitPictures(const std::vector<std::uint8_t>& s) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i + 2 < s.size(); ++i)
    if (s[i] == 0 && s[i + 1] == 0 && (s[i + 2] & 0xFC) == 0x80) starts.push_back(i);
  std::vector<PictureSpan> pictures;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    std::size_t end = k + 1 < starts.size() ? starts[k + 1] : s.size();
    pictures.push_back({starts[k], end - starts[k]});
  }
  return pictures;
}

}  // namespace camdec
