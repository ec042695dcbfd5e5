// The standard colour tables and the nearest palette index.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <random>

#include "raster_testing.h"

namespace tlmaper {
namespace {

using testing::CapturedStdout;

const std::string Indent(17, ' ');

// (red, green, blue) with alpha 0.
PixelQuad Rgb(int red, int green, int blue) {
  return PixelQuad{uint8_t(blue), uint8_t(green), uint8_t(red), 0};
}

std::unique_ptr<RasterImage> MakeImage(int32_t bits) {
  auto image = std::make_unique<RasterImage>();
  EXPECT_TRUE(image->SetBitsPerPixel(bits));
  return image;
}

TEST(ColourCount, FollowsTheDepth) {
  const std::map<int32_t, int32_t> expected = {{1, 2},      {4, 16},        {8, 256},
                                               {16, 65536}, {24, 16777216}, {32, 16777216}};
  for (const auto& [bits, count] : expected) EXPECT_EQ(MakeImage(bits)->ColourCount(), count);
}

TEST(StandardPalette, OneBit) {
  auto image = MakeImage(1);
  EXPECT_EQ(image->PaletteEntry(0), Rgb(0, 0, 0));
  EXPECT_EQ(image->PaletteEntry(1), Rgb(255, 255, 255));
}

TEST(StandardPalette, FourBitTable) {
  const PixelQuad expected[16] = {
      Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
      Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(128, 128, 128),
      Rgb(192, 192, 192), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
      Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255),
  };
  auto image = MakeImage(4);
  const std::string out = CapturedStdout([&] {
    for (int k = 0; k < 16; ++k) EXPECT_EQ(image->PaletteEntry(k), expected[k]) << k;
  });
  EXPECT_EQ(out, "");
}

TEST(StandardPalette, EightBitTable) {
  std::map<int, PixelQuad> fixed = {
      {0, Rgb(0, 0, 0)},         {1, Rgb(128, 0, 0)},       {2, Rgb(0, 128, 0)},
      {3, Rgb(128, 128, 0)},     {4, Rgb(0, 0, 128)},       {5, Rgb(128, 0, 128)},
      {6, Rgb(0, 128, 128)},     {7, Rgb(192, 192, 192)},   {8, Rgb(192, 220, 192)},
      {9, Rgb(166, 202, 240)},   {246, Rgb(255, 251, 240)}, {247, Rgb(160, 160, 164)},
      {248, Rgb(128, 128, 128)}, {249, Rgb(255, 0, 0)},     {250, Rgb(0, 255, 0)},
      {251, Rgb(255, 255, 0)},   {252, Rgb(0, 0, 255)},     {253, Rgb(255, 0, 255)},
      {254, Rgb(0, 255, 255)},   {255, Rgb(255, 255, 255)},
  };
  auto image = MakeImage(8);
  for (int n = 0; n < 256; ++n) {
    const PixelQuad expected =
        fixed.count(n) ? fixed[n] : Rgb(32 * (n % 8), 32 * (n / 8 % 8), 64 * (n / 64));
    EXPECT_EQ(image->PaletteEntry(n), expected) << n;
  }
  EXPECT_EQ(image->PaletteEntry(10), Rgb(64, 32, 0));
  EXPECT_EQ(image->PaletteEntry(245), Rgb(160, 192, 192));
  EXPECT_EQ(image->PaletteEntry(164), Rgb(128, 128, 128));
  EXPECT_EQ(image->PaletteEntry(155), Rgb(96, 96, 128));
}

TEST(PaletteEntry, OutOfRangeIndexWarnsAndGivesWhite) {
  struct Case {
    int32_t bits, index, last;
  };
  for (const Case c : {Case{8, 256, 255},
                       {8, -1, 255},
                       {4, 16, 15},
                       {1, 2, 1},
                       {1, INT32_MIN, 1},
                       {8, INT32_MAX, 255}}) {
    auto image = MakeImage(c.bits);
    PixelQuad entry;
    const std::string out = CapturedStdout([&] { entry = image->PaletteEntry(c.index); });
    EXPECT_EQ(entry, WhitePixel);
    EXPECT_EQ(out, "Picture Warning: Requested color number " + std::to_string(c.index) +
                       " is outside the allowed\n" + Indent + "range [0," + std::to_string(c.last) +
                       "]. Ignoring request to get this color.\n");
  }
}

TEST(PaletteEntry, DepthWithoutATableWarnsAndGivesWhite) {
  for (int32_t bits : {16, 24, 32}) {
    auto image = MakeImage(bits);
    PixelQuad entry;
    const std::string out = CapturedStdout([&] { entry = image->PaletteEntry(0); });
    EXPECT_EQ(entry, WhitePixel);
    EXPECT_EQ(out, "Picture Warning: Attempted to access color table for a BMP object\n" + Indent +
                       "that lacks a color table. Ignoring request.\n");
  }
  // The second warning ("the color table is not defined") cannot occur: at 1, 4
  // and 8 bits the image always has its table (SetBitsPerPixel builds it).
}

TEST(FillStandardPalette, RefusedAtDepthsWithoutATable) {
  for (int32_t bits : {16, 24, 32}) {
    auto image = MakeImage(bits);
    const std::string out = CapturedStdout([&] { EXPECT_FALSE(image->FillStandardPalette()); });
    EXPECT_EQ(out, "Picture Warning: Attempted to create color table at a bit\n" + Indent +
                       "depth that does not require a color table.\n" + Indent +
                       "Ignoring request.\n");
    EXPECT_FALSE(image->HasPalette());
  }
  for (int32_t bits : {1, 4, 8}) {
    auto image = MakeImage(bits);
    EXPECT_EQ(CapturedStdout([&] { EXPECT_TRUE(image->FillStandardPalette()); }), "");
  }
}

TEST(NearestPaletteIndex, TheSpecExamples) {
  auto eight = MakeImage(8);
  EXPECT_EQ(eight->NearestPaletteIndex(Rgb(128, 128, 128)), 164);  // 164 and 248 match
  EXPECT_EQ(eight->NearestPaletteIndex(Rgb(100, 100, 100)), 155);  // (96, 96, 128), 816
  auto four = MakeImage(4);
  EXPECT_EQ(four->NearestPaletteIndex(Rgb(200, 200, 200)), 8);
  EXPECT_EQ(four->NearestPaletteIndex(Rgb(64, 0, 0)), 0);  // a tie with 1 goes to 0
  auto one = MakeImage(1);
  EXPECT_EQ(one->NearestPaletteIndex(Rgb(255, 0, 0)), 0);
  EXPECT_EQ(one->NearestPaletteIndex(Rgb(255, 255, 0)), 1);
  // Alpha plays no part.
  EXPECT_EQ(eight->NearestPaletteIndex(PixelQuad{128, 128, 128, 255}), 164);
}

TEST(NearestPaletteIndex, IsTheFirstNearestEntryForAnyColour) {
  std::mt19937 random(11);
  for (int32_t bits : {1, 4, 8}) {
    auto image = MakeImage(bits);
    for (int trial = 0; trial < 3000; ++trial) {
      const PixelQuad pixel{uint8_t(random()), uint8_t(random()), uint8_t(random()),
                            uint8_t(random())};
      int best = 0;
      long bestDistance = -1;
      for (int k = 0; k < image->ColourCount(); ++k) {
        const PixelQuad entry = image->PaletteEntry(k);
        const long distance = long(pixel.red - entry.red) * (pixel.red - entry.red) +
                              long(pixel.green - entry.green) * (pixel.green - entry.green) +
                              long(pixel.blue - entry.blue) * (pixel.blue - entry.blue);
        if (bestDistance < 0 || distance < bestDistance) best = k, bestDistance = distance;
      }
      ASSERT_EQ(image->NearestPaletteIndex(pixel), best) << bits;
    }
  }
}

TEST(NearestPaletteIndex, AtADepthWithoutATableWarnsOnceAndGivesZero) {
  auto image = MakeImage(24);
  uint8_t index = 99;
  const std::string out = CapturedStdout([&] { index = image->NearestPaletteIndex(Rgb(1, 2, 3)); });
  EXPECT_EQ(index, 0);
  EXPECT_EQ(out, "Picture Warning: Attempted to access color table for a BMP object\n" + Indent +
                     "that lacks a color table. Ignoring request.\n");
}

}  // namespace
}  // namespace tlmaper
