// The five marker layers of the page: lists of map-library expressions, one entry per
// island or ship, joined by ",\n".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "page/page.h"
#include "save/world.h"

namespace tlmaper {

struct MarkerLayers {
  std::string islandDifficulty;
  std::string islandName;
  std::string town;
  std::string visited;
  std::string shipDifficulty;
};

// "L.marker(map.unproject([" followed by the x text: the start of every entry.
std::string MarkerPrefix(std::string_view xText);

// Builds the layers and fills [ISLANDDIFFICULTYLAYER], [ISLANDNAMELAYER], [TOWNLAYER],
// [VISITEDLAYER] and then [SHIPDIFFICULTYLAYER] in the page.
void BuildMarkerLayers(const std::vector<IslandRecord>& islands,
                       const std::vector<ShipRecord>& ships, PageTemplate& page);

}  // namespace tlmaper
