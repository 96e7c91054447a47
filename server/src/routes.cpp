#include "routes.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"

namespace kavreld {

using namespace protocol;

std::uint32_t TravelSeconds(std::uint32_t lengthM, int speedKmh) {
  int v = std::max(speedKmh, 1);
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(lengthM) * 36 + static_cast<std::uint64_t>(v) * 5) /
                                    (static_cast<std::uint64_t>(v) * 10));
}

std::optional<std::vector<std::size_t>> FindRoute(const RoadNetwork& network, const std::vector<int>& speeds,
                                                  RouteKind kind, std::size_t from, std::size_t to) {
  const std::size_t n = network.places().size();
  if (from >= n || to >= n) return std::nullopt;
  constexpr std::uint64_t kUnreached = std::numeric_limits<std::uint64_t>::max();
  std::vector<std::uint64_t> cost(n, kUnreached);
  std::vector<std::size_t> via(n, std::numeric_limits<std::size_t>::max());
  using Entry = std::pair<std::uint64_t, std::size_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
  cost[from] = 0;
  queue.push({0, from});
  while (!queue.empty()) {
    auto [c, place] = queue.top();
    queue.pop();
    if (c != cost[place]) continue;
    if (place == to) break;
    for (std::size_t li : network.Outgoing(place)) {
      const Link& link = network.links()[li];
      std::uint64_t step = kind == RouteKind::Shortest ? link.lengthM : TravelSeconds(link.lengthM, speeds[li]);
      if (c + step < cost[link.to]) {
        cost[link.to] = c + step;
        via[link.to] = li;
        queue.push({cost[link.to], link.to});
      }
    }
  }
  if (cost[to] == kUnreached) return std::nullopt;
  std::vector<std::size_t> path;
  for (std::size_t at = to; at != from; at = network.links()[via[at]].from) path.push_back(via[at]);
  std::reverse(path.begin(), path.end());
  return path;
}

std::vector<std::uint8_t> BuildRouteReply(const RoadNetwork& network, const std::vector<int>& speeds,
                                          std::size_t from, const std::vector<std::size_t>& path) {
  std::vector<std::uint8_t> reply(kRouteRecordSize * (path.size() + 1), 0);
  WriteRouteSegmentRecord(reply.data(), {network.places()[from].name, 0, 0, 0});
  for (std::size_t i = 0; i < path.size(); ++i) {
    const Link& link = network.links()[path[i]];
    auto u16 = [](std::uint64_t v) { return static_cast<std::uint16_t>(std::min<std::uint64_t>(v, 0xFFFF)); };
    WriteRouteSegmentRecord(reply.data() + kRouteRecordSize * (i + 1),
                            {network.places()[link.to].name,
                             u16(static_cast<std::uint64_t>(std::max(speeds[path[i]], 0))), u16(link.lengthM),
                             u16(TravelSeconds(link.lengthM, speeds[path[i]]))});
  }
  return reply;
}

}  // namespace kavreld
