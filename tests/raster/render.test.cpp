// Map rendering: PlotLine, the record squares and RenderMap, in process.
#include "raster/render.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <set>

#include "raster_testing.h"

namespace tlmaper {
namespace {

using testing::CapturedStdout;
using testing::Picture;
using testing::PictureOf;
using testing::ReferenceMap;
using testing::Rgb;

const std::string Indent(17, ' ');
const PixelQuad Ink{1, 2, 3, 0};

// The pixels a line sets, read back from a white image.
std::set<std::pair<int, int>> LinePixels(int32_t width, int32_t height, int32_t fromX,
                                         int32_t fromY, int32_t toX, int32_t toY) {
  RasterImage image;
  EXPECT_TRUE(image.SetDimensions(width, height));
  EXPECT_EQ(CapturedStdout([&] { PlotLine(image, fromX, fromY, toX, toY, Ink); }), "");
  std::set<std::pair<int, int>> set;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (image.PixelValue(x, y) == Ink) set.insert({x, y});
    }
  }
  return set;
}

// A plain reference line: ends clamped into the image, then one pixel per step along
// the longer axis, with a floating-point error term that starts at half a step.
std::set<std::pair<int, int>> ReferenceLine(int32_t width, int32_t height, int64_t fromX,
                                            int64_t fromY, int64_t toX, int64_t toY) {
  auto clamp = [](int64_t v, int64_t last) { return v > last ? last : v < 0 ? 0 : v; };
  fromX = clamp(fromX, width - 1);
  toX = clamp(toX, width - 1);
  fromY = clamp(fromY, height - 1);
  toY = clamp(toY, height - 1);
  int64_t dx = toX - fromX, dy = toY - fromY;
  std::set<std::pair<int, int>> set;
  if (dx == 0 && dy == 0) return set;
  const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  dx = std::abs(dx);
  dy = std::abs(dy);
  const bool xMajor = dx >= dy;
  const int64_t longer = xMajor ? dx : dy, shorter = xMajor ? dy : dx;
  double error = double(longer) / 2;
  int64_t x = fromX, y = fromY;
  for (int64_t i = 0; i <= longer; ++i) {
    set.insert({int(x), int(y)});
    error += double(shorter);
    if (error >= double(longer)) {
      (xMajor ? y : x) += xMajor ? sy : sx;
      error -= double(longer);
    }
    (xMajor ? x : y) += xMajor ? sx : sy;
  }
  return set;
}

using Points = std::set<std::pair<int, int>>;

TEST(PlotLine, ShortLinesDrawTheirPixelsAndAPointNone) {
  EXPECT_EQ(LinePixels(8, 8, 0, 0, 3, 1), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  EXPECT_EQ(LinePixels(8, 8, 0, 0, 2, 1), (Points{{0, 0}, {1, 1}, {2, 1}}));
  EXPECT_EQ(LinePixels(8, 8, 5, 5, 5, 5), Points{});
}

TEST(PlotLine, EndsAreClampedIntoTheImageWithoutAWarning) {
  // Both ends clamp onto the same pixel: nothing.
  EXPECT_EQ(LinePixels(8, 6, 20, 3, 30, 3), Points{});
  EXPECT_EQ(LinePixels(8, 6, -5, -1, -9, -7), Points{});
  EXPECT_EQ(LinePixels(8, 6, INT_MIN, INT_MIN, INT_MIN, INT_MAX),
            (Points{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}}));
  // Ends moved, not clipped: the line from (-3, 0) to (2, 5) runs from (0, 0) to (2, 5).
  EXPECT_EQ(LinePixels(8, 6, -3, 0, 2, 5), ReferenceLine(8, 6, 0, 0, 2, 5));
  EXPECT_EQ(LinePixels(8, 6, 0, 9, 9, 9),
            (Points{{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}));
  EXPECT_EQ(LinePixels(4, 4, INT_MAX, INT_MAX, INT_MIN, INT_MIN),
            (Points{{3, 3}, {2, 2}, {1, 1}, {0, 0}}));
}

TEST(PlotLine, DirectionsTiesAndSteepLines) {
  // A tie (dx == dy) is x-major: a diagonal.
  EXPECT_EQ(LinePixels(5, 5, 4, 0, 0, 4), (Points{{4, 0}, {3, 1}, {2, 2}, {1, 3}, {0, 4}}));
  // Steep: y is major; the half error term decides at the first step.
  EXPECT_EQ(LinePixels(8, 8, 0, 0, 1, 3), (Points{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
  EXPECT_EQ(LinePixels(8, 8, 1, 3, 0, 0), (Points{{1, 3}, {1, 2}, {0, 1}, {0, 0}}));
  EXPECT_EQ(LinePixels(8, 8, 3, 1, 0, 0), (Points{{3, 1}, {2, 1}, {1, 0}, {0, 0}}));
}

TEST(PlotLine, MatchesAReferenceLineOnRandomLines) {
  std::mt19937 random(5);
  for (int trial = 0; trial < 3000; ++trial) {
    const int32_t width = 1 + int32_t(random() % 20);
    const int32_t height = 1 + int32_t(random() % 20);
    auto coordinate = [&](int32_t size) { return int32_t(random() % (size + 10)) - 5; };
    const int32_t fx = coordinate(width), fy = coordinate(height);
    const int32_t tx = coordinate(width), ty = coordinate(height);
    ASSERT_EQ(LinePixels(width, height, fx, fy, tx, ty),
              ReferenceLine(width, height, fx, fy, tx, ty))
        << width << "x" << height << " (" << fx << "," << fy << ")-(" << tx << "," << ty << ")";
  }
}

TEST(PlotLine, LongLinesAcrossALargeImage) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(3000, 2000));
  PlotLine(image, -100000, 1999, 2999, 0, Ink);  // clamped to (0, 1999)-(2999, 0)
  const Points expected = ReferenceLine(3000, 2000, 0, 1999, 2999, 0);
  EXPECT_EQ(expected.size(), 3000u);
  for (const auto& [x, y] : expected) ASSERT_EQ(image.PixelValue(x, y), Ink) << x << "," << y;
}

TEST(PlotLine, NeverWritesAlpha) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(4, 4));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) image.PixelAt(x, y).alpha = uint8_t(10 * x + y);
  }
  PlotLine(image, 0, 0, 3, 3, PixelQuad{9, 9, 9, 255});
  PlotLine(image, 0, 3, 3, 3, PixelQuad{8, 8, 8, 255});
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(image.PixelValue(x, y).alpha, 10 * x + y);
  }
  EXPECT_EQ(image.PixelValue(1, 1), (PixelQuad{9, 9, 9, 11}));
}

// The nine PlotLine calls for one square, on a copy, against the fast path.
void ExpectSquareLikePlotLines(int32_t width, int32_t height, int32_t x, int32_t y) {
  RasterImage fast;
  RasterImage slow;
  ASSERT_TRUE(fast.SetDimensions(width, height));
  ASSERT_TRUE(slow.SetDimensions(width, height));
  DrawRecordSquare(fast, x, y, Ink);
  for (int32_t r = 2 * y - 4; r <= 2 * y + 4; ++r) PlotLine(slow, 2 * x - 4, r, 2 * x + 4, r, Ink);
  ASSERT_EQ(PictureOf(fast), PictureOf(slow)) << width << "x" << height << " at " << x << "," << y;
}

TEST(DrawRecordSquare, IsTheNinePlotLineCalls) {
  for (int32_t width : {1, 2, 5, 9, 12, 30}) {
    for (int32_t height : {1, 2, 7, 12}) {
      for (int32_t x = -4; x <= width / 2 + 4; ++x) {
        for (int32_t y = -4; y <= height / 2 + 4; ++y)
          ExpectSquareLikePlotLines(width, height, x, y);
      }
    }
  }
}

TEST(DrawRecordSquare, FarAwayRecordsNeverWrapOntoTheCanvas) {
  // In 32 bits 2 x 1073741824 - 4 would wrap negative; in 64 bits the square lies far to
  // the right and draws nothing.
  for (int32_t x : {1073741824, INT_MAX, INT_MIN, -1073741825}) {
    RasterImage image;
    ASSERT_TRUE(image.SetDimensions(64, 64));
    DrawRecordSquare(image, x, 10, Ink);
    for (int y = 0; y < 64; ++y) EXPECT_TRUE(image.RowIsUniform(y)) << x;
  }
  // Far below or above: folded onto the last or the first row.
  for (auto [y, row] : {std::pair{INT_MAX, 63}, {1073741824, 63}, {INT_MIN, 0}}) {
    RasterImage image;
    ASSERT_TRUE(image.SetDimensions(64, 64));
    DrawRecordSquare(image, 10, y, Ink);
    for (int yy = 0; yy < 64; ++yy) {
      for (int xx = 0; xx < 64; ++xx) {
        const bool inRun = yy == row && xx >= 16 && xx <= 24;
        EXPECT_EQ(image.PixelValue(xx, yy) == Ink, inRun) << xx << "," << yy;
      }
    }
  }
}

// RenderMap into a fresh image and the printed output.
std::string Render(const std::vector<IslandRecord>& islands, const std::vector<ShipRecord>& ships,
                   const MapBounds& bounds, RasterImage& image, bool expectedResult = true) {
  return CapturedStdout(
      [&] { EXPECT_EQ(RenderMap(islands, ships, bounds, image), expectedResult); });
}

MapBounds BoundsOf(const std::vector<IslandRecord>& islands) {
  MapBounds bounds;
  for (const IslandRecord& island : islands) {
    bounds.minX = std::min(bounds.minX, island.x);
    bounds.maxX = std::max(bounds.maxX, island.x);
    bounds.minY = std::min(bounds.minY, island.y);
    bounds.maxY = std::max(bounds.maxY, island.y);
  }
  return bounds;
}

IslandRecord Island(int32_t x, int32_t y) {
  IslandRecord island;
  island.x = x;
  island.y = y;
  return island;
}

void ExpectAlphaZeroAndDepth24(const RasterImage& image) {
  EXPECT_EQ(image.BitsPerPixel(), 24);
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) ASSERT_EQ(image.PixelValue(x, y).alpha, 0);
  }
}

TEST(RenderMap, NoIslandsGivesA66By66Background) {
  RasterImage image;
  EXPECT_EQ(Render({}, {}, MapBounds{}, image), "");
  EXPECT_EQ(image.Width(), 66);
  EXPECT_EQ(image.Height(), 66);
  EXPECT_EQ(PictureOf(image), ReferenceMap({}, {}, 66, 66));
  ExpectAlphaZeroAndDepth24(image);
}

TEST(RenderMap, NoIslandsButShipsStillDrawsTheShipsClamped) {
  RasterImage image;
  const std::vector<ShipRecord> ships = {{5, 5, 1}, {100, 100, 2}, {-50, 10, 3}};
  EXPECT_EQ(Render({}, ships, MapBounds{}, image), "");
  EXPECT_EQ(PictureOf(image), ReferenceMap({}, ships, 66, 66));
  EXPECT_EQ(image.PixelValue(65, 65), BackgroundColour);  // (100, 100): nothing
  EXPECT_EQ(image.PixelValue(6, 6), ShipColour);
}

TEST(RenderMap, OneIsland) {
  const std::vector<IslandRecord> islands = {Island(10, 20)};
  RasterImage image;
  EXPECT_EQ(Render(islands, {}, BoundsOf(islands), image), "");
  ASSERT_EQ(image.Width(), 64);
  ASSERT_EQ(image.Height(), 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool island = x >= 16 && x <= 24 && y >= 36 && y <= 44;
      ASSERT_EQ(image.PixelValue(x, y),
                island ? (PixelQuad{0, 255, 255, 0}) : (PixelQuad{255, 50, 50, 0}))
          << x << "," << y;
    }
  }
}

TEST(RenderMap, EdgesFoldingAndDropping) {
  // Canvas 0..20 x 0..10 -> 104 x 84. Island at x = 0 covers columns 0-4; a ship wholly
  // right or left draws nothing; wholly below or above folds onto the edge row.
  const std::vector<IslandRecord> islands = {Island(0, 5), Island(20, 10), Island(10, 0)};
  const MapBounds bounds = BoundsOf(islands);
  const std::vector<ShipRecord> ships = {{54, 3, 0},  {-3, 3, 0}, {30, 80, 0},
                                         {30, -9, 0}, {10, 0, 0}, {19, 10, 0}};
  RasterImage image;
  EXPECT_EQ(Render(islands, ships, bounds, image), "");
  ASSERT_EQ(image.Width(), 104);
  ASSERT_EQ(image.Height(), 84);
  const Picture picture = PictureOf(image);
  EXPECT_EQ(picture, ReferenceMap(islands, ships, 104, 84));
  const Rgb yellow{255, 255, 0}, red{255, 0, 0}, blue{50, 50, 255};
  for (int y = 6; y <= 14; ++y) {
    for (int x = 0; x <= 5; ++x) EXPECT_EQ(picture.at(x, y), x <= 4 ? yellow : blue);
  }
  EXPECT_EQ(picture.at(56, 83), red);  // folded onto the last row
  EXPECT_EQ(picture.at(55, 82), blue);
  EXPECT_EQ(picture.at(64, 0), red);  // folded onto the first row
  EXPECT_EQ(picture.at(64, 1), blue);
  EXPECT_EQ(picture.at(20, 0), red);   // the ship over the island at (10, 0)
  EXPECT_EQ(picture.at(36, 16), red);  // ship (19, 10) over island (20, 10): overlap red
  EXPECT_EQ(picture.at(44, 16), yellow);
  EXPECT_EQ(picture.at(103, 3), blue);  // (54, 3) lies wholly to the right
  ExpectAlphaZeroAndDepth24(image);
}

TEST(RenderMap, LaterSquaresCoverEarlierOnes) {
  const std::vector<IslandRecord> islands = {Island(5, 5), Island(6, 6), Island(40, 40)};
  const std::vector<ShipRecord> ships = {{6, 6, 0}, {7, 7, 0}};
  RasterImage image;
  Render(islands, ships, BoundsOf(islands), image);
  EXPECT_EQ(PictureOf(image), ReferenceMap(islands, ships, image.Width(), image.Height()));
}

TEST(RenderMap, MatchesTheReferenceOnRandomWorlds) {
  std::mt19937 random(9);
  for (int trial = 0; trial < 40; ++trial) {
    std::vector<IslandRecord> islands;
    std::vector<ShipRecord> ships;
    const int span = 1 + int(random() % 60);
    const int offset = int(random() % 200) - 100;
    for (int k = int(random() % 12); k > 0; --k) {
      islands.push_back(Island(offset + int(random() % span), offset + int(random() % span)));
    }
    for (int k = int(random() % 8); k > 0; --k) {
      ships.push_back({offset - 10 + int(random() % (span + 20)),
                       offset - 10 + int(random() % (span + 20)), 0});
    }
    const MapBounds bounds = BoundsOf(islands);
    RasterImage image;
    EXPECT_EQ(Render(islands, ships, bounds, image), "");
    ASSERT_EQ(PictureOf(image),
              ReferenceMap(islands, ships, CanvasWidth(bounds), CanvasHeight(bounds)));
  }
}

TEST(RenderMap, CanvasSizeWrapsIn32Bits) {
  MapBounds bounds;
  EXPECT_EQ(CanvasWidth(bounds), 66);
  bounds = MapBounds{-5, 7, 100, 100};
  EXPECT_EQ(CanvasWidth(bounds), 88);
  EXPECT_EQ(CanvasHeight(bounds), 64);
  bounds = MapBounds{0, 1073741800, 0, 0};
  EXPECT_EQ(CanvasWidth(bounds), INT_MIN + 16);  // 2147483600 + 64 wraps negative
  bounds = MapBounds{INT_MIN, INT_MAX, 0, 0};
  EXPECT_EQ(CanvasWidth(bounds), 62);  // (2^32 - 1) * 2 + 64 wraps to 62
}

TEST(RenderMap, ARefusedSizeLeavesTheUnpaintedOnePixelImage) {
  const std::vector<IslandRecord> islands = {Island(0, 0), Island(1073741800, 3)};
  const std::vector<ShipRecord> ships = {{0, 0, 0}};
  RasterImage image;
  const std::string out = Render(islands, ships, BoundsOf(islands), image, false);
  EXPECT_EQ(out, "Picture Warning: User attempted to set a non-positive width or height.\n" +
                     Indent + "Size remains unchanged at 1 x 1.\n");
  EXPECT_EQ(image.Width(), 1);
  EXPECT_EQ(image.Height(), 1);
  EXPECT_EQ(image.PixelValue(0, 0), WhitePixel);
  EXPECT_EQ(image.BitsPerPixel(), 24);
}

TEST(RenderMap, ATooLargeSizeLeavesTheUnpaintedOnePixelImage) {
  const std::vector<IslandRecord> islands = {Island(0, 0), Island(20000, 20000)};
  RasterImage image;
  const std::string out = Render(islands, {}, BoundsOf(islands), image, false);
  EXPECT_EQ(out, "Picture Warning: User attempted to set a size that is too large to allocate.\n" +
                     Indent + "Size remains unchanged at 1 x 1.\n");
  EXPECT_EQ(image.Width(), 1);
  EXPECT_EQ(image.PixelValue(0, 0), WhitePixel);
}

TEST(RenderMap, OnlyRowsWithSquaresAreMaterialised) {
  const std::vector<IslandRecord> islands = {Island(0, 0), Island(500, 500)};
  RasterImage image;
  Render(islands, {}, BoundsOf(islands), image);
  int drawnRows = 0;
  for (int y = 0; y < image.Height(); ++y) drawnRows += !image.RowIsUniform(y);
  EXPECT_EQ(drawnRows, 5 + 9);
  EXPECT_EQ(image.UniformColour(), (PixelQuad{255, 50, 50, 0}));
}

}  // namespace
}  // namespace tlmaper
