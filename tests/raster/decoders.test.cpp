// Independent decoders read the writer's files back: ImageMagick and Python Pillow must
// both see the expected pixels at all six depths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>

#include "raster_testing.h"
#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {

namespace fs = std::filesystem;

struct Decoded {
  int width = 0, height = 0;
  std::string rgb;  // width * height * 3 bytes, top row first
};

std::string Quote(const std::string& text) {
  return "'" + text + "'";
}

// Runs a shell command that writes into `outPath`; false when it fails.
bool Run(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

// ImageMagick: a binary PPM ("P6 width height 255" then RGB bytes).
Decoded DecodeWithImageMagick(const fs::path& bmp, const fs::path& scratch) {
  const fs::path ppm = scratch / "magick.ppm";
  Decoded decoded;
  EXPECT_TRUE(Run(Quote(TLMAPER_IMAGEMAGICK) + " " + Quote(bmp.string()) + " -depth 8 " +
                  Quote("ppm:" + ppm.string())))
      << "ImageMagick (" << TLMAPER_IMAGEMAGICK << ") could not decode " << bmp;
  const std::string bytes = ReadFileBytes(ppm);
  std::istringstream header(bytes);
  std::string magic;
  int maxValue = 0;
  header >> magic >> decoded.width >> decoded.height >> maxValue;
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(maxValue, 255);
  const std::streamoff start = header.tellg() + std::streamoff(1);  // one white-space byte
  if (start > 0 && size_t(start) <= bytes.size()) decoded.rgb = bytes.substr(size_t(start));
  return decoded;
}

// Pillow: the helper script prints "width height" and a newline, then RGB bytes.
Decoded DecodeWithPillow(const fs::path& bmp, const fs::path& scratch) {
  const fs::path out = scratch / "pillow.out";
  Decoded decoded;
  EXPECT_TRUE(Run(Quote(TLMAPER_PILLOW_PYTHON) + " " + Quote(TLMAPER_PILLOW_SCRIPT) + " " +
                  Quote(bmp.string()) + " > " + Quote(out.string())))
      << "Pillow (" << TLMAPER_PILLOW_PYTHON << ") could not decode " << bmp;
  const std::string bytes = ReadFileBytes(out);
  const size_t newline = bytes.find('\n');
  if (newline == std::string::npos) return decoded;
  std::istringstream(bytes.substr(0, newline)) >> decoded.width >> decoded.height;
  decoded.rgb = bytes.substr(newline + 1);
  return decoded;
}

// The test picture: odd width (every depth pads), palette colours, greys and random ones.
std::unique_ptr<RasterImage> TestImage(int32_t bits) {
  auto image = std::make_unique<RasterImage>();
  EXPECT_TRUE(image->SetBitsPerPixel(bits));
  EXPECT_TRUE(image->SetDimensions(13, 7));
  std::mt19937 random{uint32_t(bits)};
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 13; ++x) {
      PixelQuad pixel{uint8_t(random()), uint8_t(random()), uint8_t(random()), uint8_t(random())};
      if (y == 0) pixel = PixelQuad{uint8_t(x * 20), uint8_t(x * 20), uint8_t(x * 20), 0};
      if (y == 1) pixel = x % 2 ? PixelQuad{0, 255, 255, 0} : PixelQuad{255, 50, 50, 0};
      image->PixelAt(x, y) = pixel;
    }
  }
  // Row 6 stays uniform (never materialised), written from the uniform colour.
  image->PaintAll(PixelQuad{200, 100, 0, 0});
  for (int x = 0; x < 13; ++x) image->PixelAt(x, 5) = PixelQuad{0, 0, 255, 0};
  EXPECT_TRUE(image->RowIsUniform(6));
  return image;
}

// The colour the file means for a pixel of the image, and how far a decoder may be off
// per channel: exact except at 16 bits, where the 5- and 6-bit values are widened to 8
// bits by rounding down or to nearest, as decoders differ.
void ExpectDecodedPixels(const std::string& decoder, RasterImage& image, const Decoded& decoded) {
  ASSERT_EQ(decoded.width, image.Width()) << decoder;
  ASSERT_EQ(decoded.height, image.Height()) << decoder;
  ASSERT_EQ(decoded.rgb.size(), size_t(image.Width()) * size_t(image.Height()) * 3) << decoder;
  const int32_t bits = image.BitsPerPixel();
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      PixelQuad expected = image.PixelValue(x, y);
      if (bits <= 8) expected = image.PaletteEntry(image.NearestPaletteIndex(expected));
      const size_t at = 3 * (size_t(y) * size_t(image.Width()) + size_t(x));
      const int got[3] = {uint8_t(decoded.rgb[at]), uint8_t(decoded.rgb[at + 1]),
                          uint8_t(decoded.rgb[at + 2])};
      const int want[3] = {expected.red, expected.green, expected.blue};
      for (int channel = 0; channel < 3; ++channel) {
        if (bits == 16) {
          const int fieldBits = channel == 1 ? 6 : 5;
          const int top = (1 << fieldBits) - 1;
          const int field = want[channel] >> (8 - fieldBits);
          EXPECT_EQ(std::lround(got[channel] * double(top) / 255.0), field)
              << decoder << " at 16 bits, pixel " << x << ", " << y << ", channel " << channel
              << ": " << got[channel];
        } else {
          EXPECT_EQ(got[channel], want[channel]) << decoder << " at " << bits << " bits, pixel "
                                                 << x << ", " << y << ", channel " << channel;
        }
      }
    }
  }
}

TEST(Decoders, ImageMagickAndPillowReadEveryDepth) {
  for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(std::to_string(bits) + " bits");
    ScratchDirectory dir;
    auto image = TestImage(bits);
    const fs::path bmp = dir / "test.bmp";
    ASSERT_EQ(CapturedStdout([&] { EXPECT_TRUE(image->BmpWriter(bmp.string())); }), "");
    ExpectDecodedPixels("ImageMagick", *image, DecodeWithImageMagick(bmp, dir.path()));
    ExpectDecodedPixels("Pillow", *image, DecodeWithPillow(bmp, dir.path()));
  }
}

TEST(Decoders, TheToolsMapReadsTheSameInBoth) {
  ScratchDirectory dir;
  fs::copy_file(ExampleSave(), dir / "saltmere.xml");
  const RunResult run = RunTool({"saltmere.xml"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const Picture written = ReadBmp24(ReadFileBytes(dir / "saltmere.bmp"));
  std::string rgb;
  for (const Rgb& pixel : written.pixels) {
    rgb += std::string{char(pixel.red), char(pixel.green), char(pixel.blue)};
  }
  for (const Decoded& decoded : {DecodeWithImageMagick(dir / "saltmere.bmp", dir.path()),
                                 DecodeWithPillow(dir / "saltmere.bmp", dir.path())}) {
    EXPECT_EQ(decoded.width, written.width);
    EXPECT_EQ(decoded.height, written.height);
    EXPECT_TRUE(decoded.rgb == rgb);
  }
}

}  // namespace
}  // namespace tlmaper::testing
