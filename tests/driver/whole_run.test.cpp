// Whole runs of the built tool on small saves: the written <stem>.bmp is read back and
// checked pixel by pixel against a plain model of the map.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "raster/raster_testing.h"
#include "save/reader.h"
#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {

namespace fs = std::filesystem;

std::string IslandXml(int x, int y) {
  return "<IslandData Name=\"I\" X=\"" + std::to_string(x) + "\" Y=\"" + std::to_string(y) +
         "\" Difficulty=\"1\"/>";
}

std::string ShipXml(int x, int y) {
  return "<MapShip location=\"(" + std::to_string(x) + ", " + std::to_string(y) +
         ")\" dificulty=\"2\"/>";
}

struct World {
  std::vector<std::pair<int, int>> islands, ships;
};

std::string SaveFor(const World& world) {
  std::string islands, ships;
  for (auto [x, y] : world.islands) islands += IslandXml(x, y);
  for (auto [x, y] : world.ships) ships += ShipXml(x, y);
  return SaveXml("<PlayerData X=\"1\" Y=\"2\" WorldName=\"W\"/><Islands>" + islands +
                 "</Islands><MapShips>" + ships + "</MapShips>");
}

// The world model of a save file, read by the project's reader.
WorldModel ReadSave(const fs::path& path) {
  tinyxml2::XMLDocument document;
  EXPECT_EQ(LoadSaveDocument(document, path.string()), 0);
  WorldModel world;
  ReadIslands(document, world);
  ReadShips(document, world);
  return world;
}

int32_t Side(int32_t minimum, int32_t maximum) {
  return int32_t(uint32_t(uint32_t(maximum) - uint32_t(minimum)) * 2u + 64u);
}

World EdgeWorld() {
  World world;
  world.islands = {{0, 0}, {40, 30}};
  for (int x = -3; x <= 43; x += 2) world.ships.push_back({x, -2}), world.ships.push_back({x, 33});
  for (int y = -3; y <= 33; y += 3) world.ships.push_back({-2, y}), world.ships.push_back({42, y});
  return world;
}

TEST(WholeRun, TheMapWrittenIsTheModelsPixelForPixel) {
  struct Case {
    std::string what, save, saveName;
    std::string earlierMap;  // a file the map replaces, when not empty
  };
  const Case cases[] = {
      {"the example save", ReadFileBytes(ExampleSave()), "saltmere.xml", ""},
      {"no islands: the 66 x 66 sea", SaveFor({}), "world.xml", ""},
      {"one island, ships in and outside the canvas",
       SaveFor({{{10, 20}}, {{10, 22}, {100, 20}, {-40, 20}, {12, 900}, {12, -900}}}), "world.xml",
       ""},
      {"negative coordinates and overlaps",
       SaveFor({{{-30, -10}, {-29, -9}, {15, 4}, {-30, 4}, {0, 0}},
                {{-29, -10}, {15, 4}, {16, 4}, {-31, -11}}}),
       "world.xml", ""},
      {"every square on the edges", SaveFor(EdgeWorld()), "world.xml", ""},
      {"a longer earlier map, replaced whole", SaveFor({{{3, 3}}, {}}), "world.xml",
       std::string(50000, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDirectory dir;
    WriteFileBytes(dir / c.saveName, c.save);
    const std::string stem = c.saveName.substr(0, c.saveName.find('.'));
    if (!c.earlierMap.empty()) WriteFileBytes(dir / (stem + ".bmp"), c.earlierMap);
    const RunResult run = RunTool({c.saveName}, dir.path());
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "");
    const WorldModel world = ReadSave(dir / c.saveName);
    const Picture expected =
        ReferenceMap(world.islands, world.ships, Side(world.bounds.minX, world.bounds.maxX),
                     Side(world.bounds.minY, world.bounds.maxY));
    const std::string bytes = ReadFileBytes(dir / (stem + ".bmp"));
    const size_t rowBytes = (size_t(expected.width) * 3 + 3) / 4 * 4;
    EXPECT_EQ(bytes.size(), 54 + rowBytes * size_t(expected.height));
    const Picture written = ReadBmp24(bytes);
    ASSERT_EQ(written.width, expected.width);
    ASSERT_EQ(written.height, expected.height);
    for (int32_t y = 0; y < expected.height; ++y) {
      for (int32_t x = 0; x < expected.width; ++x) {
        ASSERT_EQ(written.at(x, y), expected.at(x, y)) << "pixel " << x << ", " << y;
      }
    }
  }
}

TEST(WholeRun, ShipsBesideTheCanvasAreDroppedAndThoseAboveOrBelowFolded) {
  // One island at (10, 20) gives a 64 x 64 canvas. Ships wholly left or right of it
  // are not drawn; ships above or below it leave one row of their square on the edge.
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml",
                 SaveFor({{{10, 20}}, {{-40, 10}, {100, 10}, {5, -50}, {25, 900}}}));
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out + run.err, "");
  Picture expected{64, 64, std::vector<Rgb>(64 * 64, Rgb{50, 50, 255})};
  auto fill = [&](int32_t left, int32_t top, int32_t right, int32_t bottom, Rgb colour) {
    for (int32_t y = top; y <= bottom; ++y) {
      for (int32_t x = left; x <= right; ++x) expected.at(x, y) = colour;
    }
  };
  fill(16, 36, 24, 44, Rgb{255, 255, 0});  // the island
  fill(6, 0, 14, 0, Rgb{255, 0, 0});       // the ship above, on the top row
  fill(46, 63, 54, 63, Rgb{255, 0, 0});    // the ship below, on the bottom row
  EXPECT_EQ(ReadBmp24(ReadFileBytes(dir / "world.bmp")), expected);
}

}  // namespace
}  // namespace tlmaper::testing
