#include "places.h"

#include <algorithm>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"

namespace kavreld {

using namespace protocol;

std::vector<std::size_t> SearchPlaces(const RoadNetwork& network, std::string_view text) {
  // Compared as UTF-8, where a match can only start at a character boundary.
  auto wanted = kavrel::Cp949ToUtf8(text);
  std::vector<std::size_t> found;
  if (!wanted) return found;
  const auto& places = network.places();
  for (std::size_t i = 0; i < places.size(); ++i)
    if (places[i].utf8.find(*wanted) != std::string::npos) found.push_back(i);
  std::sort(found.begin(), found.end(), [&](std::size_t a, std::size_t b) { return places[a].utf8 < places[b].utf8; });
  if (found.size() > kMaxSearchResults) found.resize(kMaxSearchResults);
  return found;
}

std::vector<std::uint8_t> BuildSearchReply(const RoadNetwork& network, const std::vector<std::size_t>& found) {
  std::vector<SearchResult> results;
  for (std::size_t i : found) results.push_back({network.places()[i].name, network.places()[i].id});
  return WriteSearchReply(results);
}

}  // namespace kavreld
