// The five marker layers and their fills.
#include "page/layers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tlmaper {
namespace {

const std::string AllLayers =
    "[ISLANDDIFFICULTYLAYER]|[ISLANDNAMELAYER]|[TOWNLAYER]|[VISITEDLAYER]|[SHIPDIFFICULTYLAYER]";

std::string BuildPage(const std::vector<IslandRecord>& islands,
                      const std::vector<ShipRecord>& ships, std::string text = AllLayers) {
  PageTemplate page = MakePageTemplate(std::move(text));
  BuildMarkerLayers(islands, ships, page);
  return PageText(page);
}

std::string Plain(const std::string& position) {
  return "L.marker(map.unproject([" + position + "],map.getZoom()))";
}

std::string Difficulty(const std::string& position, const std::string& anchor,
                       const std::string& text) {
  return "L.marker(map.unproject([" + position +
         "],map.getZoom()),{clickable:false,icon:L.divIcon({iconAnchor:[" + anchor + "],html:'" +
         text + "',className:\"difficulty\"})})";
}

std::string Name(const std::string& position, const std::string& html) {
  return "L.marker(map.unproject([" + position +
         "],map.getZoom()),{clickable:false,icon:L.divIcon({iconAnchor:[4,-15],html:'" + html +
         "',className:\"islandname\"})})";
}

TEST(MarkerLayers, PortEntriesByteForByte) {
  const IslandRecord port{"Port", 12, 40, 3, true, true};
  EXPECT_EQ(BuildPage({port}, {}),
            "L.marker(map.unproject([12,40],map.getZoom()),{clickable:false,icon:L.divIcon({"
            "iconAnchor:[4,7.5],html:'3',className:\"difficulty\"})})|"
            "L.marker(map.unproject([12,40],map.getZoom()),{clickable:false,icon:L.divIcon({"
            "iconAnchor:[4,-15],html:'Port',className:\"islandname\"})})|"
            "L.marker(map.unproject([12,40],map.getZoom()))|"
            "L.marker(map.unproject([12,40],map.getZoom()))|");
  EXPECT_EQ(MarkerPrefix("-7"), "L.marker(map.unproject([-7");
}

TEST(MarkerLayers, OneCharacterDifficultiesTakeTheNarrowAnchor) {
  struct Case {
    int32_t difficulty;
    std::string anchor;
  };
  const Case cases[] = {{0, "4,7.5"},
                        {9, "4,7.5"},
                        {10, "7,7.5"},
                        {123, "7,7.5"},
                        {-1, "7,7.5"},
                        {-9, "7,7.5"},
                        {-2147483647 - 1, "7,7.5"}};
  for (const Case& c : cases) {
    const std::string text = std::to_string(c.difficulty);
    EXPECT_EQ(BuildPage({}, {ShipRecord{-3, 8, c.difficulty}}, "[SHIPDIFFICULTYLAYER]"),
              Difficulty("-3,8", c.anchor, text))
        << c.difficulty;
    EXPECT_EQ(BuildPage({IslandRecord{"", 5, 6, c.difficulty}}, {}, "[ISLANDDIFFICULTYLAYER]"),
              Difficulty("5,6", c.anchor, text))
        << c.difficulty;
  }
}

TEST(MarkerLayers, EntriesAreJoinedInListOrderTownAndExploredApart) {
  const std::vector<IslandRecord> islands = {
      {"Town", 1, 2, 1, false, true},
      {"Neither", 3, 4, 2, false, false},
      {"Both", 5, 6, 3, true, true},
      {"", 7, 8, 4, true, false},
  };
  const std::vector<ShipRecord> ships = {{9, 9, 5}, {9, 9, 5}};
  EXPECT_EQ(BuildPage(islands, ships),
            Difficulty("1,2", "4,7.5", "1") + ",\n" + Difficulty("3,4", "4,7.5", "2") + ",\n" +
                Difficulty("5,6", "4,7.5", "3") + ",\n" + Difficulty("7,8", "4,7.5", "4") + "|" +
                Name("1,2", "Town") + ",\n" + Name("3,4", "Neither") + ",\n" + Name("5,6", "Both") +
                ",\n" + Name("7,8", "") + "|" + Plain("1,2") + ",\n" + Plain("5,6") + "|" +
                Plain("5,6") + ",\n" + Plain("7,8") + "|" + Difficulty("9,9", "4,7.5", "5") +
                ",\n" + Difficulty("9,9", "4,7.5", "5"));
}

TEST(MarkerLayers, EmptyLayersRemoveTheirPlaceholdersEverywhere) {
  EXPECT_EQ(BuildPage({}, {}, "a" + AllLayers + "b[TOWNLAYER]c[townlayer]"), "a||||bc[townlayer]");
  const std::string ship = Difficulty("1,1", "4,7.5", "2");
  EXPECT_EQ(BuildPage({}, {{1, 1, 2}}, "[SHIPDIFFICULTYLAYER]-[SHIPDIFFICULTYLAYER]"),
            ship + "-" + ship);
}

// A name is shown as its own text: it can neither end the script string nor be taken
// for a later placeholder.
TEST(MarkerLayers, NamesAreEscapedInsideTheirLabels) {
  const std::vector<IslandRecord> islands = {
      {"Pirate's \"Cove\" \\ [TOWNLAYER][SHIPDIFFICULTYLAYER]\n<img src=x onerror=alert(1)>", 1, 2,
       3, false, false},
  };
  EXPECT_EQ(BuildPage(islands, {{4, 5, 6}}, "[ISLANDNAMELAYER]|[TOWNLAYER]"),
            Name("1,2",
                 "Pirate&#39;s &quot;Cove&quot; &#92; &#91;TOWNLAYER&#93;&#91;"
                 "SHIPDIFFICULTYLAYER&#93;&#10;&lt;img src=x onerror=alert(1)&gt;") +
                "|");
}

}  // namespace
}  // namespace tlmaper
