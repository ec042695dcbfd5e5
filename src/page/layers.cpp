#include "page/layers.h"

#include "driver/text.h"
#include "page/page.h"

namespace tlmaper {
namespace {

constexpr std::string_view EntrySeparator = ",\n";
constexpr std::string_view PlainMarkerEnd = "],map.getZoom()))";
constexpr std::string_view NarrowDifficultyAnchor =
    "],map.getZoom()),{clickable:false,icon:L.divIcon({iconAnchor:[4,7.5],html:'";
constexpr std::string_view WideDifficultyAnchor =
    "],map.getZoom()),{clickable:false,icon:L.divIcon({iconAnchor:[7,7.5],html:'";
constexpr std::string_view NameAnchor =
    "],map.getZoom()),{clickable:false,icon:L.divIcon({iconAnchor:[4,-15],html:'";
constexpr std::string_view DifficultyLabelEnd = "',className:\"difficulty\"})})";
constexpr std::string_view NameLabelEnd = "',className:\"islandname\"})})";

// The entry up to its second coordinate: "L.marker(map.unproject([x,y".
std::string EntryStart(int32_t x, int32_t y) {
  return MarkerPrefix(FormatInt(x)) + "," + FormatInt(y);
}

std::string PlainMarker(int32_t x, int32_t y) {
  return EntryStart(x, y).append(PlainMarkerEnd);
}

// One-character difficulties (0 to 9) are centred with the narrow anchor, all longer
// ones (10 and up, every negative) with the wide one.
std::string DifficultyLabel(int32_t x, int32_t y, int32_t difficulty) {
  const std::string difficultyText = FormatInt(difficulty);
  return EntryStart(x, y)
      .append(difficultyText.size() == 1 ? NarrowDifficultyAnchor : WideDifficultyAnchor)
      .append(difficultyText)
      .append(DifficultyLabelEnd);
}

// The name goes into a script string that becomes label markup, so it is escaped:
// any name then shows as its own text and never runs or breaks the page.
std::string NameLabel(const IslandRecord& island) {
  return EntryStart(island.x, island.y)
      .append(NameAnchor)
      .append(EscapePageText(island.name))
      .append(NameLabelEnd);
}

void AppendEntry(std::string& layer, const std::string& entry) {
  if (!layer.empty()) layer.append(EntrySeparator);
  layer.append(entry);
}

}  // namespace

std::string MarkerPrefix(std::string_view xText) {
  return std::string("L.marker(map.unproject([").append(xText);
}

void BuildMarkerLayers(const std::vector<IslandRecord>& islands,
                       const std::vector<ShipRecord>& ships, std::string& page) {
  MarkerLayers layers;
  for (const IslandRecord& island : islands) {
    if (island.isTown) AppendEntry(layers.town, PlainMarker(island.x, island.y));
    if (island.isExplored) AppendEntry(layers.visited, PlainMarker(island.x, island.y));
    AppendEntry(layers.islandDifficulty, DifficultyLabel(island.x, island.y, island.difficulty));
    AppendEntry(layers.islandName, NameLabel(island));
  }
  FillPlaceholder(page, "[ISLANDDIFFICULTYLAYER]", layers.islandDifficulty);
  FillPlaceholder(page, "[ISLANDNAMELAYER]", layers.islandName);
  FillPlaceholder(page, "[TOWNLAYER]", layers.town);
  FillPlaceholder(page, "[VISITEDLAYER]", layers.visited);

  for (const ShipRecord& ship : ships) {
    AppendEntry(layers.shipDifficulty, DifficultyLabel(ship.x, ship.y, ship.difficulty));
  }
  FillPlaceholder(page, "[SHIPDIFFICULTYLAYER]", layers.shipDifficulty);
}

}  // namespace tlmaper
