// The roads the server knows, read from the road file: every segment as a directed
// link between two places, and the places themselves (the distinct end-point names)
// with stable ids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kavreld {

// What a segment stands for when the road file leaves its length or limit out.
constexpr std::uint32_t kDefaultLengthM = 500;
constexpr std::uint32_t kDefaultLimitKmh = 60;
// Speeds travel as signed bytes.
constexpr std::uint32_t kMaxLimitKmh = 127;

struct Place {
  std::uint32_t id = 0;
  std::string name;  // CP949, as in the road file
  std::string utf8;  // for searching
};

struct Link {
  std::uint32_t segmentId = 0;
  std::size_t road = 0;
  std::size_t from = 0;  // index into places()
  std::size_t to = 0;
  std::uint32_t lengthM = kDefaultLengthM;
  std::uint32_t limitKmh = kDefaultLimitKmh;
};

struct RoadEntry {
  std::string name;  // CP949
  std::size_t firstLink = 0;
  std::size_t linkCount = 0;
};

class RoadNetwork {
 public:
  // Reads a road-file image (any size; a short one reads as zero-padded).
  static RoadNetwork FromImage(std::span<const std::uint8_t> image);

  const std::vector<Place>& places() const { return places_; }
  const std::vector<Link>& links() const { return links_; }
  const std::vector<RoadEntry>& roads() const { return roads_; }
  // Links leaving each place, by place index.
  const std::vector<std::size_t>& Outgoing(std::size_t place) const { return outgoing_[place]; }

  // The first road with exactly this CP949 name.
  std::optional<std::size_t> FindRoad(std::string_view name) const;
  std::optional<std::size_t> FindPlace(std::uint32_t id) const;

 private:
  std::size_t AddPlace(const std::string& name);

  std::vector<Place> places_;
  std::vector<Link> links_;
  std::vector<RoadEntry> roads_;
  std::vector<std::vector<std::size_t>> outgoing_;
  std::unordered_map<std::string, std::size_t> placeByName_;
  std::unordered_map<std::uint32_t, std::size_t> placeById_;
};

// The id a place name gets: a hash of its CP949 bytes (FNV-1a, 31 bits, never 0), so
// that ids stay the same when roads are added to the file. Collisions are settled by
// RoadNetwork, which moves the later name (in byte order) to the next free id.
std::uint32_t PlaceIdOf(std::string_view name);

}  // namespace kavreld
