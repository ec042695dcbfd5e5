// Arbitrary bytes parsed as a save file and read into the world model.
#include <tinyxml2.h>

#include <cstdint>
#include <cstdlib>

#include "save/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tinyxml2::XMLDocument document;
  if (document.Parse(reinterpret_cast<const char*>(data), size) != tinyxml2::XML_SUCCESS) {
    return 0;
  }
  tlmaper::WorldModel world;
  tlmaper::ReadIslands(document, world);
  tlmaper::ReadShips(document, world);
  tlmaper::ReadPlayer(document, world);
  // Every island lies inside the bounds.
  for (const tlmaper::IslandRecord& island : world.islands) {
    const tlmaper::MapBounds& b = world.bounds;
    if (island.x < b.minX || island.x > b.maxX || island.y < b.minY || island.y > b.maxY) {
      std::abort();
    }
  }
  return 0;
}
