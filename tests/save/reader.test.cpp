#include "save/reader.h"

#include <gtest/gtest.h>

#include <string>

#include "support/run_binary.h"

namespace tlmaper {
namespace {

using testing::SaveXml;

WorldModel ReadWorld(const std::string& xml) {
  tinyxml2::XMLDocument document;
  EXPECT_EQ(document.Parse(xml.c_str(), xml.size()), tinyxml2::XML_SUCCESS) << xml;
  WorldModel world;
  ReadIslands(document, world);
  ReadShips(document, world);
  ReadPlayer(document, world);
  return world;
}

WorldModel ReadIslandsXml(const std::string& islands) {
  return ReadWorld(SaveXml("<Islands>" + islands + "</Islands>"));
}

TEST(ReadIslands, AppliesEachAttributeRule) {
  const WorldModel world = ReadIslandsXml(
      "<IslandData Name=\"Port\" X=\"12\" Y=\"-40\" Difficulty=\"3\" Explored=\"True\" "
      "IslandType=\"Town\" Extra=\"ignored\"/>"
      "<IslandData/>"
      "<IslandData Explored=\"true\" IslandType=\"town\"/>"
      "<IslandData Explored=\"True \" IslandType=\" Town\"/>"
      "<IslandData X=\"12abc\" Y=\"7.9\" Difficulty=\"abc\"/>"
      "<IslandData X=\"\" Y=\"  5\" Difficulty=\"99999999999\"/>");
  ASSERT_EQ(world.islands.size(), 6u);
  EXPECT_EQ(world.islands[0], (IslandRecord{"Port", 12, -40, 3, true, true}));
  EXPECT_EQ(world.islands[1], IslandRecord{});
  EXPECT_EQ(world.islands[2], IslandRecord{});
  EXPECT_EQ(world.islands[3], IslandRecord{});
  EXPECT_EQ(world.islands[4], (IslandRecord{"", 12, 7, -1, false, false}));
  EXPECT_EQ(world.islands[5], (IslandRecord{"", -1, 5, -1, false, false}));
}

TEST(ReadIslands, EveryIslandWidensTheBoundsDefaultsIncluded) {
  const WorldModel world = ReadIslandsXml(
      "<IslandData X=\"10\" Y=\"20\"/><IslandData/><IslandData X=\"100\" Y=\"50\"/>");
  EXPECT_EQ(world.bounds, (MapBounds{-1, 100, -1, 50}));
  EXPECT_EQ(ReadIslandsXml("").bounds, MapBounds{});
  EXPECT_EQ(MapBounds{}, (MapBounds{2147483647, -2147483647 - 1, 2147483647, -2147483647 - 1}));
}

TEST(ReadIslands, ReadsOnlyTheFirstListAtItsPlace) {
  const WorldModel world =
      ReadWorld(SaveXml("<Islands><Other/><IslandData X=\"1\"/><Group><IslandData X=\"2\"/></Group>"
                        "<IslandData X=\"3\"/></Islands>"
                        "<Islands><IslandData X=\"4\"/></Islands>"));
  ASSERT_EQ(world.islands.size(), 2u);
  EXPECT_EQ(world.islands[0].x, 1);
  EXPECT_EQ(world.islands[1].x, 3);
  // Another root element, or none of the expected lists, gives an empty world.
  EXPECT_TRUE(ReadWorld("<Other><Islands><IslandData/></Islands></Other>").islands.empty());
  EXPECT_TRUE(ReadWorld(SaveXml("")).islands.empty());
}

TEST(CleanIslandName, RemovesEscapedReturnsAndOneTrailingLineEnd) {
  const std::pair<std::string, std::string> cases[] = {
      {"Port\r\n", "Port"},
      {"Port\n\r", "Port\n"},
      {"Port\n\n", "Port\n"},
      {"Po&#xD;rt&#xD;", "Port"},
      {"&#x&#xD;D;", "&#xD;"},
      {"\nPort Royal ", "\nPort Royal "},
      {"", ""},
      {"\r", ""},
  };
  for (const auto& [raw, cleaned] : cases) EXPECT_EQ(CleanIslandName(raw), cleaned);
  // Character references in the file arrive as the characters they stand for.
  const WorldModel world = ReadIslandsXml(
      "<IslandData Name=\"Gull Rock&#xD;&#xA;\"/><IslandData Name=\"A&amp;#xD;B\"/>");
  EXPECT_EQ(world.islands[0].name, "Gull Rock");
  EXPECT_EQ(world.islands[1].name, "AB");
}

TEST(ParseShipLocation, DecodesTheLocationTable) {
  struct Case {
    std::string location;
    bool recorded;
    int32_t x, y;
  };
  const Case cases[] = {
      {"(12, -34)", true, 12, -34},  {"( 12 , -34 )", true, 12, -34}, {"(12)", true, -1, -1},
      {"(1,2,3)", true, -1, -1},     {"(a, 5)", true, -1, 5},         {"(,)", true, -1, -1},
      {"()", false, -1, -1},         {"12, -34", false, -1, -1},      {"(12, -34", false, -1, -1},
      {" (12, -34)", false, -1, -1}, {"(\t7,8)", true, 7, 8},
  };
  for (const Case& c : cases) {
    ShipRecord ship;
    EXPECT_EQ(ParseShipLocation(c.location, ship), c.recorded) << c.location;
    EXPECT_EQ(ship.x, c.x) << c.location;
    EXPECT_EQ(ship.y, c.y) << c.location;
  }
}

TEST(ReadShips, KeepsWellFormedShipsInOrderDuplicatesIncluded) {
  const WorldModel world =
      ReadWorld(SaveXml("<Islands><IslandData X=\"5\" Y=\"5\"/></Islands>"
                        "<MapShips><MapShip location=\"(1, 2)\" dificulty=\"4\"/>"
                        "<MapShip dificulty=\"4\"/>"
                        "<MapShip location=\"1, 2\"/>"
                        "<MapShip location=\"(1, 2)\" dificulty=\"4\"/>"
                        "<MapShip location=\"(900, -900)\" Difficulty=\"7\"/></MapShips>"));
  ASSERT_EQ(world.ships.size(), 3u);
  EXPECT_EQ(world.ships[0], (ShipRecord{1, 2, 4}));
  EXPECT_EQ(world.ships[1], (ShipRecord{1, 2, 4}));
  EXPECT_EQ(world.ships[2], (ShipRecord{900, -900, -1}));
  EXPECT_EQ(world.bounds, (MapBounds{5, 5, 5, 5}));  // ships never widen the bounds
}

TEST(ReadPlayer, ReadsPositionAndNameOrKeepsDefaults) {
  const WorldModel world =
      ReadWorld(SaveXml("<PlayerData X=\"-8\" Y=\"9x\" WorldName=\"Salt &amp; Tide&#xA;\"/>"
                        "<PlayerData X=\"1\" Y=\"1\" WorldName=\"second\"/>"));
  EXPECT_EQ(world.player, (PlayerRecord{-8, 9, "Salt & Tide\n"}));
  EXPECT_EQ(ReadWorld(SaveXml("")).player, PlayerRecord{});
  EXPECT_EQ(ReadWorld(SaveXml("<PlayerData WorldName=\"\" X=\"q\"/>")).player, PlayerRecord{});
}

TEST(ReadSave, ReadsTheBundledExample) {
  tinyxml2::XMLDocument document;
  ASSERT_EQ(LoadSaveDocument(document, testing::ExampleSave().string()), 0);
  WorldModel world;
  ReadIslands(document, world);
  ReadShips(document, world);
  ReadPlayer(document, world);
  EXPECT_EQ(world.islands.size(), 34u);
  EXPECT_EQ(world.ships.size(), 12u);
  EXPECT_EQ(world.player.worldName, "The Saltmere Reach");
  EXPECT_EQ(world.islands[0].name, "Port Halden");
  EXPECT_TRUE(world.islands[0].isTown);
}

}  // namespace
}  // namespace tlmaper
