// The standard colour tables and the nearest palette index.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <random>
#include <string>

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
  // Every entry as RRGGBB, eight to a line: 0-15 and 246-255 the fixed colours, the
  // rest red in steps of 32, green in steps of 32 and blue in steps of 64.
  const char* const expected[32] = {
      "000000 800000 008000 808000 000080 800080 008080 c0c0c0",  // 0-7
      "c0dcc0 a6caf0 402000 602000 802000 a02000 c02000 e02000",  // 8-15
      "004000 204000 404000 604000 804000 a04000 c04000 e04000",  // 16-23
      "006000 206000 406000 606000 806000 a06000 c06000 e06000",  // 24-31
      "008000 208000 408000 608000 808000 a08000 c08000 e08000",  // 32-39
      "00a000 20a000 40a000 60a000 80a000 a0a000 c0a000 e0a000",  // 40-47
      "00c000 20c000 40c000 60c000 80c000 a0c000 c0c000 e0c000",  // 48-55
      "00e000 20e000 40e000 60e000 80e000 a0e000 c0e000 e0e000",  // 56-63
      "000040 200040 400040 600040 800040 a00040 c00040 e00040",  // 64-71
      "002040 202040 402040 602040 802040 a02040 c02040 e02040",  // 72-79
      "004040 204040 404040 604040 804040 a04040 c04040 e04040",  // 80-87
      "006040 206040 406040 606040 806040 a06040 c06040 e06040",  // 88-95
      "008040 208040 408040 608040 808040 a08040 c08040 e08040",  // 96-103
      "00a040 20a040 40a040 60a040 80a040 a0a040 c0a040 e0a040",  // 104-111
      "00c040 20c040 40c040 60c040 80c040 a0c040 c0c040 e0c040",  // 112-119
      "00e040 20e040 40e040 60e040 80e040 a0e040 c0e040 e0e040",  // 120-127
      "000080 200080 400080 600080 800080 a00080 c00080 e00080",  // 128-135
      "002080 202080 402080 602080 802080 a02080 c02080 e02080",  // 136-143
      "004080 204080 404080 604080 804080 a04080 c04080 e04080",  // 144-151
      "006080 206080 406080 606080 806080 a06080 c06080 e06080",  // 152-159
      "008080 208080 408080 608080 808080 a08080 c08080 e08080",  // 160-167
      "00a080 20a080 40a080 60a080 80a080 a0a080 c0a080 e0a080",  // 168-175
      "00c080 20c080 40c080 60c080 80c080 a0c080 c0c080 e0c080",  // 176-183
      "00e080 20e080 40e080 60e080 80e080 a0e080 c0e080 e0e080",  // 184-191
      "0000c0 2000c0 4000c0 6000c0 8000c0 a000c0 c000c0 e000c0",  // 192-199
      "0020c0 2020c0 4020c0 6020c0 8020c0 a020c0 c020c0 e020c0",  // 200-207
      "0040c0 2040c0 4040c0 6040c0 8040c0 a040c0 c040c0 e040c0",  // 208-215
      "0060c0 2060c0 4060c0 6060c0 8060c0 a060c0 c060c0 e060c0",  // 216-223
      "0080c0 2080c0 4080c0 6080c0 8080c0 a080c0 c080c0 e080c0",  // 224-231
      "00a0c0 20a0c0 40a0c0 60a0c0 80a0c0 a0a0c0 c0a0c0 e0a0c0",  // 232-239
      "00c0c0 20c0c0 40c0c0 60c0c0 80c0c0 a0c0c0 fffbf0 a0a0a4",  // 240-247
      "808080 ff0000 00ff00 ffff00 0000ff ff00ff 00ffff ffffff",  // 248-255
  };
  auto image = MakeImage(8);
  for (int n = 0; n < 256; ++n) {
    const std::string hex = std::string(expected[n / 8]).substr(n % 8 * 7, 6);
    const int red = std::stoi(hex.substr(0, 2), nullptr, 16);
    const int green = std::stoi(hex.substr(2, 2), nullptr, 16);
    const int blue = std::stoi(hex.substr(4, 2), nullptr, 16);
    EXPECT_EQ(image->PaletteEntry(n), Rgb(red, green, blue)) << n;
  }
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

TEST(NearestPaletteIndex, KnownColoursTiesAndAlpha) {
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
