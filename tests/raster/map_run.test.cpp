// Whole runs of the built tool on small saves: the written <stem>.bmp is read back and
// checked pixel by pixel against a plain model of the map.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>

#include "raster_testing.h"
#include "save/reader.h"
#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {

namespace fs = std::filesystem;

const std::string Indent(17, ' ');
const std::string WriteError = "Picture Error: Could not write proper amount of data.\n";

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

// Runs the tool on `save` in a scratch directory and checks the written map against the
// model, pixel by pixel.
void ExpectMapOf(const std::string& saveText, const std::string& saveName, size_t islandCount,
                 size_t shipCount) {
  ScratchDirectory dir;
  WriteFileBytes(dir / saveName, saveText);
  const RunResult run = RunTool({saveName}, dir.path());
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  const WorldModel world = ReadSave(dir / saveName);
  ASSERT_EQ(world.islands.size(), islandCount);
  ASSERT_EQ(world.ships.size(), shipCount);
  const Picture expected =
      ReferenceMap(world.islands, world.ships, Side(world.bounds.minX, world.bounds.maxX),
                   Side(world.bounds.minY, world.bounds.maxY));
  const std::string stem = saveName.substr(0, saveName.find('.'));
  const Picture written = ReadBmp24(ReadFileBytes(dir / (stem + ".bmp")));
  ASSERT_EQ(written.width, expected.width);
  ASSERT_EQ(written.height, expected.height);
  for (int32_t y = 0; y < expected.height; ++y) {
    for (int32_t x = 0; x < expected.width; ++x) {
      ASSERT_EQ(written.at(x, y), expected.at(x, y)) << "pixel " << x << ", " << y;
    }
  }
}

void ExpectMapOf(const World& world) {
  ExpectMapOf(SaveFor(world), "world.xml", world.islands.size(), world.ships.size());
}

TEST(MapRun, TheExampleSave) {
  const WorldModel example = ReadSave(ExampleSave());
  ASSERT_GT(example.islands.size(), 10u);
  ASSERT_GT(example.ships.size(), 5u);
  ExpectMapOf(ReadFileBytes(ExampleSave()), "saltmere.xml", example.islands.size(),
              example.ships.size());
}

TEST(MapRun, NoIslandsGivesTheBackgroundCanvas) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", SaveFor({}));
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 0);
  const Picture written = ReadBmp24(ReadFileBytes(dir / "world.bmp"));
  EXPECT_EQ(written.width, 66);
  EXPECT_EQ(written.height, 66);
  for (const Rgb& pixel : written.pixels) ASSERT_EQ(pixel, (Rgb{50, 50, 255}));
}

TEST(MapRun, OneIslandAndShipsInAndOutsideTheCanvas) {
  ExpectMapOf(World{{{10, 20}}, {{10, 22}, {100, 20}, {-40, 20}, {12, 900}, {12, -900}}});
}

TEST(MapRun, ShipsBesideTheCanvasAreDroppedAndThoseAboveOrBelowFolded) {
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

TEST(MapRun, NegativeCoordinatesAndOverlaps) {
  ExpectMapOf(World{{{-30, -10}, {-29, -9}, {15, 4}, {-30, 4}, {0, 0}},
                    {{-29, -10}, {15, 4}, {16, 4}, {-31, -11}}});
}

TEST(MapRun, EverySquareOnTheEdges) {
  World world;
  world.islands = {{0, 0}, {40, 30}};
  for (int x = -3; x <= 43; x += 2) world.ships.push_back({x, -2}), world.ships.push_back({x, 33});
  for (int y = -3; y <= 33; y += 3) world.ships.push_back({-2, y}), world.ships.push_back({42, y});
  ExpectMapOf(world);
}

// A refused canvas size ends the run before anything is written: the blank 1 x 1 map
// would replace a good earlier one.
void ExpectRefusedSizeWritesNothing(const RunResult& run, const fs::path& dir,
                                    const std::string& firstLine) {
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, firstLine + Indent + "Size remains unchanged at 1 x 1.\n");
  EXPECT_EQ(run.err, "Error: the map of world.xml is too large to draw, nothing was written\n");
  EXPECT_FALSE(fs::exists(dir / "world.bmp"));
  EXPECT_FALSE(fs::exists(dir / "world.html"));
}

const std::string NonPositiveSize =
    "Picture Warning: User attempted to set a non-positive width or height.\n";
const std::string TooLargeSize =
    "Picture Warning: User attempted to set a size that is too large to allocate.\n";

TEST(MapRun, ARefusedCanvasSizeWritesNeitherMapNorPage) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", SaveFor({{{0, 0}, {1073741800, 5}}, {{0, 0}}}));
  ExpectRefusedSizeWritesNothing(RunTool({"world.xml"}, dir.path()), dir.path(), NonPositiveSize);
}

TEST(MapRun, ATooLargeCanvasWritesNeitherMapNorPage) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", SaveFor({{{0, 0}, {20000, 20000}}, {}}));
  ExpectRefusedSizeWritesNothing(RunTool({"world.xml"}, dir.path()), dir.path(), TooLargeSize);
}

TEST(MapRun, ACanvasWhoseMemoryCannotBeHadIsRefused) {
  if (UnderAddressSanitizer()) GTEST_SKIP() << "address-space limits break ASan";
  if (TestingWindowsBuild()) GTEST_SKIP() << "wine cannot start under an address-space limit";
  // 30064 x 30064 pixels are under 2^30 but need 3.6 GB: more than the 1 GB allowed.
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", SaveFor({{{0, 0}, {15000, 15000}}, {}}));
  ExpectRefusedSizeWritesNothing(RunTool({"world.xml"}, dir.path(), "ulimit -v 1000000"),
                                 dir.path(), TooLargeSize);
}

TEST(MapRun, AFullDiskLeavesTheOldMapAndNoTemporaryFile) {
  ScratchDirectory dir;
  // A 664 x 664 canvas: 1.3 MB of rows, far beyond the limit of 100 blocks (at most
  // 100 KB); the page is small enough to be written.
  WriteFileBytes(dir / "world.xml", SaveFor({{{0, 0}, {300, 300}}, {}}));
  WriteFileBytes(dir / "world.bmp", "the old map");
  const RunResult run = RunTool({"world.xml"}, dir.path(), "ulimit -f 100; trap '' XFSZ");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, WriteError);
  EXPECT_EQ(ReadFileBytes(dir / "world.bmp"), "the old map");
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "world.xml" || name == "world.bmp" || name == "world.html") << name;
  }
}

TEST(MapRun, AMapPathTakenByADirectoryFailsAndTheRunGoesOn) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", SaveFor({{{3, 3}}, {}}));
  fs::create_directories(dir / "world.bmp" / "keep");
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Picture Error: Cannot open file world.bmp for output.\n");
  EXPECT_TRUE(fs::is_directory(dir / "world.bmp" / "keep"));
  EXPECT_TRUE(fs::exists(dir / "world.html"));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 3u);
}

TEST(MapRun, AnEarlierMapIsReplacedWhole) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", SaveFor({{{3, 3}}, {}}));
  WriteFileBytes(dir / "world.bmp", std::string(50000, 'x'));
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFileBytes(dir / "world.bmp").size(), 54u + 64 * 64 * 3);
}

}  // namespace
}  // namespace tlmaper::testing
