#include "page/layers.h"

#include <charconv>

#include "page/page.h"

namespace tlmaper {
namespace {

constexpr std::string_view EntrySeparator = ",\n";
constexpr std::string_view EntryStart = "L.marker(map.unproject([";
constexpr std::string_view PlainMarkerEnd = "],map.getZoom()))";
constexpr std::string_view NarrowDifficultyAnchor =
    "],map.getZoom()),{clickable:false,icon:L.divIcon({iconAnchor:[4,7.5],html:'";
constexpr std::string_view WideDifficultyAnchor =
    "],map.getZoom()),{clickable:false,icon:L.divIcon({iconAnchor:[7,7.5],html:'";
constexpr std::string_view NameAnchor =
    "],map.getZoom()),{clickable:false,icon:L.divIcon({iconAnchor:[4,-15],html:'";
constexpr std::string_view DifficultyLabelEnd = "',className:\"difficulty\"})})";
constexpr std::string_view NameLabelEnd = "',className:\"islandname\"})})";

// Bytes per entry, for reserving each layer once: the fixed fragments plus room for
// two coordinates and a difficulty.
constexpr size_t LabelSize = EntryStart.size() + WideDifficultyAnchor.size() +
                             DifficultyLabelEnd.size() + EntrySeparator.size() + 36;

// Appends the decimal form of `value`, as FormatInt writes it.
void AppendInt(std::string& out, int32_t value) {
  char digits[16];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Starts a new entry in `layer`: the separator unless it is the first, then
// "L.marker(map.unproject([x,y".
void StartEntry(std::string& layer, int32_t x, int32_t y) {
  if (!layer.empty()) layer.append(EntrySeparator);
  layer.append(EntryStart);
  AppendInt(layer, x);
  layer += ',';
  AppendInt(layer, y);
}

void AppendPlainMarker(std::string& layer, int32_t x, int32_t y) {
  StartEntry(layer, x, y);
  layer.append(PlainMarkerEnd);
}

// One-character difficulties (0 to 9) are centred with the narrow anchor, all longer
// ones (10 and up, every negative) with the wide one.
void AppendDifficultyLabel(std::string& layer, int32_t x, int32_t y, int32_t difficulty) {
  StartEntry(layer, x, y);
  const bool oneCharacter = difficulty >= 0 && difficulty <= 9;
  layer.append(oneCharacter ? NarrowDifficultyAnchor : WideDifficultyAnchor);
  AppendInt(layer, difficulty);
  layer.append(DifficultyLabelEnd);
}

// The name goes into a script string that becomes label markup, so it is escaped:
// any name then shows as its own text and never runs or breaks the page.
void AppendNameLabel(std::string& layer, const IslandRecord& island) {
  StartEntry(layer, island.x, island.y);
  layer.append(NameAnchor);
  AppendEscapedPageText(layer, island.name);
  layer.append(NameLabelEnd);
}

size_t NameBytes(const std::vector<IslandRecord>& islands) {
  size_t bytes = 0;
  for (const IslandRecord& island : islands) bytes += island.name.size();
  return bytes;
}

// The five layers of the islands and ships, in list order.
MarkerLayers MakeMarkerLayers(const std::vector<IslandRecord>& islands,
                              const std::vector<ShipRecord>& ships) {
  MarkerLayers layers;
  layers.islandDifficulty.reserve(islands.size() * LabelSize);
  layers.islandName.reserve(islands.size() * LabelSize + NameBytes(islands));
  for (const IslandRecord& island : islands) {
    if (island.isTown) AppendPlainMarker(layers.town, island.x, island.y);
    if (island.isExplored) AppendPlainMarker(layers.visited, island.x, island.y);
    AppendDifficultyLabel(layers.islandDifficulty, island.x, island.y, island.difficulty);
    AppendNameLabel(layers.islandName, island);
  }
  layers.shipDifficulty.reserve(ships.size() * LabelSize);
  for (const ShipRecord& ship : ships) {
    AppendDifficultyLabel(layers.shipDifficulty, ship.x, ship.y, ship.difficulty);
  }
  return layers;
}

// The island layers first, then the ship layer, each over the whole page.
void FillMarkerLayers(PageTemplate& page, MarkerLayers layers) {
  FillPlaceholder(page, "[ISLANDDIFFICULTYLAYER]", std::move(layers.islandDifficulty));
  FillPlaceholder(page, "[ISLANDNAMELAYER]", std::move(layers.islandName));
  FillPlaceholder(page, "[TOWNLAYER]", std::move(layers.town));
  FillPlaceholder(page, "[VISITEDLAYER]", std::move(layers.visited));
  FillPlaceholder(page, "[SHIPDIFFICULTYLAYER]", std::move(layers.shipDifficulty));
}

}  // namespace

std::string MarkerPrefix(std::string_view xText) {
  return std::string(EntryStart).append(xText);
}

void BuildMarkerLayers(const std::vector<IslandRecord>& islands,
                       const std::vector<ShipRecord>& ships, PageTemplate& page) {
  FillMarkerLayers(page, MakeMarkerLayers(islands, ships));
}

}  // namespace tlmaper
