// The world as read from one save file: plain records in document order.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tlmaper {

struct IslandRecord {
  std::string name;
  int32_t x = -1;
  int32_t y = -1;
  int32_t difficulty = -1;
  bool isExplored = false;
  bool isTown = false;
  bool operator==(const IslandRecord&) const = default;
};

struct ShipRecord {
  int32_t x = -1;
  int32_t y = -1;
  int32_t difficulty = -1;
  bool operator==(const ShipRecord&) const = default;
};

struct PlayerRecord {
  int32_t x = 0;
  int32_t y = 0;
  std::string worldName;
  bool operator==(const PlayerRecord&) const = default;
};

// Extent of the island positions. Starts inverted, so that the first island sets all
// four values; without islands it stays inverted.
struct MapBounds {
  int32_t minX = std::numeric_limits<int32_t>::max();
  int32_t maxX = std::numeric_limits<int32_t>::min();
  int32_t minY = std::numeric_limits<int32_t>::max();
  int32_t maxY = std::numeric_limits<int32_t>::min();
  bool operator==(const MapBounds&) const = default;
};

struct WorldModel {
  std::vector<IslandRecord> islands;
  std::vector<ShipRecord> ships;
  MapBounds bounds;
  PlayerRecord player;
};

}  // namespace tlmaper
