// The raster image: construction, depth, size, pixel access and their warnings.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <climits>
#include <random>

#include "raster/render.h"
#include "raster_testing.h"

namespace tlmaper {
namespace {

using testing::CapturedStdout;

const std::string Indent(17, ' ');

std::string SizeWarning(int width, int height) {
  return "Picture Warning: User attempted to set a non-positive width or height.\n" + Indent +
         "Size remains unchanged at " + std::to_string(width) + " x " + std::to_string(height) +
         ".\n";
}

std::string TooLargeWarning(int width, int height) {
  return "Picture Warning: User attempted to set a size that is too large to allocate.\n" + Indent +
         "Size remains unchanged at " + std::to_string(width) + " x " + std::to_string(height) +
         ".\n";
}

std::string ClampWarning(int lastX, int lastY) {
  return "Picture Warning: Attempted to access non-existent pixel;\n" + Indent +
         "Truncating request to fit in the range [0," + std::to_string(lastX) + "] x [0," +
         std::to_string(lastY) + "].\n";
}

TEST(RasterImage, ConstructionGivesOneWhitePixelAt24Bits) {
  const std::string out = CapturedStdout([] {
    RasterImage image;
    EXPECT_EQ(image.Width(), 1);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(image.BitsPerPixel(), 24);
    EXPECT_FALSE(image.HasPalette());
    EXPECT_EQ(image.ColourCount(), 16777216);
    EXPECT_EQ(image.PixelAt(0, 0), (PixelQuad{255, 255, 255, 0}));
  });
  EXPECT_EQ(out, "");
}

TEST(RasterImage, NonPositiveSizeIsRefusedWithTheCurrentSize) {
  RasterImage image;
  std::string out = CapturedStdout([&] { EXPECT_FALSE(image.SetDimensions(0, 5)); });
  EXPECT_EQ(out, SizeWarning(1, 1));
  EXPECT_EQ(image.Width(), 1);
  EXPECT_EQ(image.Height(), 1);

  ASSERT_TRUE(image.SetDimensions(66, 66));
  image.PixelAt(3, 4) = PixelQuad{1, 2, 3, 4};
  for (const std::pair<int32_t, int32_t>& size :
       {std::pair{-4, 7}, {7, -4}, {0, 0}, {INT_MIN, INT_MIN}, {5, 0}}) {
    out = CapturedStdout([&] { EXPECT_FALSE(image.SetDimensions(size.first, size.second)); });
    EXPECT_EQ(out, SizeWarning(66, 66)) << size.first << " x " << size.second;
  }
  EXPECT_EQ(image.Width(), 66);
  EXPECT_EQ(image.Height(), 66);
  EXPECT_EQ(image.PixelValue(3, 4), (PixelQuad{1, 2, 3, 4}));
  EXPECT_EQ(image.PixelValue(4, 3), WhitePixel);
}

TEST(RasterImage, SetDimensionsGivesAnAllWhitePictureEveryTime) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(4, 4));
  image.PaintAll(BackgroundColour);
  for (int y = 0; y < 4; ++y) image.PixelAt(y, y) = PixelQuad{9, 9, 9, 9};
  const std::string out = CapturedStdout([&] { EXPECT_TRUE(image.SetDimensions(3, 2)); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Height(), 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(image.PixelValue(x, y), WhitePixel);
      EXPECT_EQ(image.PixelAt(x, y), WhitePixel);
    }
  }
}

TEST(RasterImage, SizesAbove2To30PixelsAreRefusedAsTooLarge) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(10, 8));
  struct Case {
    int32_t width, height;
  };
  for (const Case c : {Case{32768, 32769},
                       {INT_MAX, INT_MAX},
                       {INT_MAX, 2},
                       {1, 1073741825},
                       {1073741825, 1},
                       {40064, 40064}}) {
    const std::string out =
        CapturedStdout([&] { EXPECT_FALSE(image.SetDimensions(c.width, c.height)); });
    EXPECT_EQ(out, TooLargeWarning(10, 8)) << c.width << " x " << c.height;
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.Height(), 8);
  }
  // A non-positive value is reported as such even when the other one is huge.
  EXPECT_EQ(CapturedStdout([&] { image.SetDimensions(INT_MAX, 0); }), SizeWarning(10, 8));
}

TEST(RasterImage, ExactlyTwoTo30PixelsAreAcceptedWithoutTouchingMemory) {
  // 4 GiB of address space: nothing of it is touched until a row is drawn on.
  RasterImage image;
  const std::string out = CapturedStdout([&] { EXPECT_TRUE(image.SetDimensions(32768, 32768)); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(image.Width(), 32768);
  EXPECT_EQ(image.PixelValue(32767, 32767), WhitePixel);
  image.PixelAt(32767, 32767).red = 0;
  EXPECT_EQ(image.PixelValue(32767, 32767), (PixelQuad{255, 255, 0, 0}));
  EXPECT_TRUE(image.RowIsUniform(0));
  EXPECT_FALSE(image.RowIsUniform(32767));
}

TEST(RasterImage, AnAllocationThatFailsIsRefusedAsTooLarge) {
  if (testing::UnderAddressSanitizer()) GTEST_SKIP() << "address-space limits break ASan";
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(5, 6));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = rlim_t{3} << 30;  // 3 GiB of address space; the request needs 3.6 GiB
  ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
  std::string out;
  bool accepted = true;
  out = CapturedStdout([&] { accepted = image.SetDimensions(30000, 30000); });
  setrlimit(RLIMIT_AS, &saved);
  EXPECT_FALSE(accepted);
  EXPECT_EQ(out, TooLargeWarning(5, 6));
  EXPECT_EQ(image.Width(), 5);
  EXPECT_EQ(image.Height(), 6);
  EXPECT_EQ(image.PixelAt(4, 5), WhitePixel);
}

TEST(RasterImage, PixelAtClampsAndWarnsOnce) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(10, 8));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x) image.PixelAt(x, y) = PixelQuad{uint8_t(x), uint8_t(y), 0, 0};
  }
  struct Case {
    int32_t x, y, expectedX, expectedY;
    bool warns;
  };
  const Case cases[] = {
      {9, 7, 9, 7, false},
      {0, 0, 0, 0, false},
      {10, 0, 9, 0, true},
      {-1, -1, 0, 0, true},
      {12, -3, 9, 0, true},
      {3, 8, 3, 7, true},
      {3, -1, 3, 0, true},
      {INT_MIN, INT_MAX, 0, 7, true},
      {INT_MAX, INT_MIN, 9, 0, true},
  };
  for (const Case& c : cases) {
    PixelQuad* address = nullptr;
    const std::string out = CapturedStdout([&] { address = &image.PixelAt(c.x, c.y); });
    EXPECT_EQ(out, c.warns ? ClampWarning(9, 7) : "") << c.x << ", " << c.y;
    EXPECT_EQ(address, &image.PixelAt(c.expectedX, c.expectedY)) << c.x << ", " << c.y;
    EXPECT_EQ(*address, (PixelQuad{uint8_t(c.expectedX), uint8_t(c.expectedY), 0, 0}));
  }
  // The reference is writable and the write stays.
  CapturedStdout([&] { image.PixelAt(12, -3).alpha = 200; });
  EXPECT_EQ(image.PixelValue(9, 0).alpha, 200);
}

TEST(RasterImage, PixelAtOnTheOnePixelImageClampsEverythingOntoIt) {
  RasterImage image;
  const std::string out = CapturedStdout([&] { image.PixelAt(1, 1).red = 7; });
  EXPECT_EQ(out, ClampWarning(0, 0));
  EXPECT_EQ(image.PixelAt(0, 0), (PixelQuad{255, 255, 7, 0}));
}

TEST(RasterImage, OnlyTheSixDepthsAreAccepted) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(2, 2));
  image.PixelAt(1, 1) = PixelQuad{1, 2, 3, 4};
  for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
    const std::string out = CapturedStdout([&] { EXPECT_TRUE(image.SetBitsPerPixel(bits)); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(image.BitsPerPixel(), bits);
    EXPECT_EQ(image.HasPalette(), bits <= 8) << bits;
  }
  ASSERT_TRUE(image.SetBitsPerPixel(8));
  for (int32_t bits : {0, 2, 3, 15, 33, 64, -1, INT_MIN}) {
    const std::string out = CapturedStdout([&] { EXPECT_FALSE(image.SetBitsPerPixel(bits)); });
    EXPECT_EQ(out, "Picture Warning: User attempted to set an unsupported bit depth " +
                       std::to_string(bits) + ".\n" + Indent + "Bit depth remains 8.\n");
    EXPECT_EQ(image.BitsPerPixel(), 8);
    EXPECT_TRUE(image.HasPalette());
  }
  EXPECT_EQ(image.PixelValue(1, 1), (PixelQuad{1, 2, 3, 4}));
}

TEST(RasterImage, DepthChangesRebuildOrDropThePaletteAndKeepPixels) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(3, 3));
  image.PixelAt(2, 1) = PixelQuad{10, 20, 30, 40};
  ASSERT_TRUE(image.SetBitsPerPixel(8));
  EXPECT_TRUE(image.HasPalette());
  ASSERT_TRUE(image.SetBitsPerPixel(24));
  EXPECT_FALSE(image.HasPalette());
  EXPECT_EQ(image.PixelValue(2, 1), (PixelQuad{10, 20, 30, 40}));
  EXPECT_EQ(image.PixelValue(0, 0), WhitePixel);
  EXPECT_EQ(image.Width(), 3);
}

TEST(RasterImage, RowsStayUniformUntilWrittenAndPaintAllKeepsAlpha) {
  RasterImage image;
  ASSERT_TRUE(image.SetDimensions(5, 4));
  for (int y = 0; y < 4; ++y) EXPECT_TRUE(image.RowIsUniform(y));
  image.PaintAll(PixelQuad{1, 2, 3, 99});  // alpha of the colour is not used
  EXPECT_EQ(image.UniformColour(), (PixelQuad{1, 2, 3, 0}));
  for (int y = 0; y < 4; ++y) EXPECT_TRUE(image.RowIsUniform(y));
  image.PixelAt(4, 2).alpha = 77;
  EXPECT_FALSE(image.RowIsUniform(2));
  EXPECT_TRUE(image.RowIsUniform(1));
  EXPECT_EQ(image.PixelValue(0, 2), (PixelQuad{1, 2, 3, 0}));
  image.PaintAll(PixelQuad{7, 8, 9, 0});
  EXPECT_EQ(image.PixelValue(4, 2), (PixelQuad{7, 8, 9, 77}));
  EXPECT_EQ(image.PixelValue(3, 2), (PixelQuad{7, 8, 9, 0}));
  EXPECT_EQ(image.PixelValue(3, 3), (PixelQuad{7, 8, 9, 0}));
}

TEST(RasterImage, PaintAllMatchesAPlotLineOnEveryRow) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 50; ++trial) {
    const int32_t width = 1 + int32_t(random() % 9);
    const int32_t height = 1 + int32_t(random() % 9);
    RasterImage fast;
    RasterImage slow;
    ASSERT_TRUE(fast.SetDimensions(width, height));
    ASSERT_TRUE(slow.SetDimensions(width, height));
    for (int k = 0; k < 3; ++k) {
      const int32_t x = int32_t(random() % width);
      const int32_t y = int32_t(random() % height);
      const PixelQuad colour{uint8_t(random()), uint8_t(random()), uint8_t(random()),
                             uint8_t(random())};
      fast.PixelAt(x, y) = colour;
      slow.PixelAt(x, y) = colour;
    }
    const PixelQuad paint{uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
    if (width > 1) fast.PaintAll(paint);
    for (int32_t r = 0; r < height; ++r) PlotLine(slow, 0, r, width - 1, r, paint);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        ASSERT_EQ(fast.PixelValue(x, y), slow.PixelValue(x, y)) << x << ", " << y;
      }
    }
  }
}

}  // namespace
}  // namespace tlmaper
