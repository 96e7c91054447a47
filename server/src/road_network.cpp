#include "road_network.h"

#include <algorithm>
#include <set>

#include "kavrel/cp949.h"
#include "protocol/road_file.h"

namespace kavreld {

std::uint32_t PlaceIdOf(std::string_view name) {
  std::uint32_t h = 2166136261u;
  for (char c : name) {
    h ^= static_cast<std::uint8_t>(c);
    h *= 16777619u;
  }
  h &= 0x7FFFFFFFu;
  return h == 0 ? 1 : h;
}

std::size_t RoadNetwork::AddPlace(const std::string& name) {
  auto it = placeByName_.find(name);
  if (it != placeByName_.end()) return it->second;
  std::size_t index = places_.size();
  places_.push_back({0, name, kavrel::Cp949ToUtf8Lossy(name)});
  outgoing_.emplace_back();
  placeByName_.emplace(name, index);
  return index;
}

RoadNetwork RoadNetwork::FromImage(std::span<const std::uint8_t> image) {
  RoadNetwork net;
  protocol::RoadFileSource source = protocol::ReadRoadFileImage(image);
  for (std::size_t r = 0; r < source.roads.size(); ++r) {
    const auto& road = source.roads[r];
    RoadEntry entry{road.name, net.links_.size(), 0};
    for (const auto& seg : road.segments) {
      Link link;
      link.segmentId = seg.id;
      link.road = r;
      link.from = net.AddPlace(seg.from);
      link.to = net.AddPlace(seg.to);
      link.lengthM = seg.lengthM ? seg.lengthM : kDefaultLengthM;
      link.limitKmh = std::min(seg.limitKmh ? seg.limitKmh : kDefaultLimitKmh, kMaxLimitKmh);
      net.outgoing_[link.from].push_back(net.links_.size());
      net.links_.push_back(link);
      ++entry.linkCount;
    }
    net.roads_.push_back(std::move(entry));
  }
  // Ids: the name's hash; on a collision, names in byte order take the next free id.
  std::vector<std::size_t> order(net.places_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return net.places_[a].name < net.places_[b].name; });
  for (std::size_t i : order) {
    std::uint32_t id = PlaceIdOf(net.places_[i].name);
    while (net.placeById_.count(id)) id = id >= 0x7FFFFFFFu ? 1 : id + 1;
    net.places_[i].id = id;
    net.placeById_.emplace(id, i);
  }
  return net;
}

std::optional<std::size_t> RoadNetwork::FindRoad(std::string_view name) const {
  for (std::size_t i = 0; i < roads_.size(); ++i)
    if (roads_[i].name == name) return i;
  return std::nullopt;
}

std::optional<std::size_t> RoadNetwork::FindPlace(std::uint32_t id) const {
  auto it = placeById_.find(id);
  if (it == placeById_.end()) return std::nullopt;
  return it->second;
}

}  // namespace kavreld
