// The road file's source as JSON (texts in UTF-8):
//   {"roads": [{"category": 1, "id": 101, "name": "...",
//               "segments": [{"id": 1, "from": "...", "to": "...",
//                             "length_m": 850, "limit_kmh": 60}]}],
//    "codes": [{"name": "...", "code": 7}]}
// "length_m" and "limit_kmh" are optional (0 or absent: not given).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "protocol/road_file.h"

namespace roadfile {

// Reads a source. False, with `error` naming the offending road or entry, when the
// text is not valid JSON of this shape or a text has no CP949 form. Limits of the
// file itself are checked when the image is built.
bool ParseRoadFileJson(std::string_view text, protocol::RoadFileSource& source, std::string& error);

// The source as JSON, one segment or code per line. Names that are not valid CP949
// (a foreign file) are shown with '?' and reported in `warnings`.
std::string RoadFileJson(const protocol::RoadFileSource& source, std::vector<std::string>& warnings);

// Notes on an image whose counts exceed the tables (they are read clamped).
std::vector<std::string> ImageWarnings(std::span<const std::uint8_t> image);

}  // namespace roadfile
