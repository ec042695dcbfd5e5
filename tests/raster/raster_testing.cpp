#include "raster_testing.h"

#include <cstdio>
#include <sstream>

namespace tlmaper::testing {

std::string CapturedStdout(const std::function<void()>& action) {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  action();
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

uint32_t Le16(const std::string& bytes, size_t offset) {
  return uint32_t(uint8_t(bytes.at(offset))) | uint32_t(uint8_t(bytes.at(offset + 1))) << 8;
}

uint32_t Le32(const std::string& bytes, size_t offset) {
  return Le16(bytes, offset) | Le16(bytes, offset + 2) << 16;
}

std::string Hex(const std::string& bytes) {
  std::string text;
  char pair[4];
  for (unsigned char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", c);
    if (!text.empty()) text += ' ';
    text += pair;
  }
  return text;
}

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
  return out << "(" << int(colour.red) << ", " << int(colour.green) << ", " << int(colour.blue)
             << ")";
}

Picture ReadBmp24(const std::string& bytes) {
  Picture picture;
  EXPECT_GE(bytes.size(), 54u);
  if (bytes.size() < 54) return picture;
  const int32_t width = int32_t(Le32(bytes, 18));
  const int32_t height = int32_t(Le32(bytes, 22));
  const size_t rowSize = (size_t(width) * 3 + 3) / 4 * 4;
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(Le32(bytes, 2), bytes.size());
  EXPECT_EQ(Le32(bytes, 6), 0u);
  EXPECT_EQ(Le32(bytes, 10), 54u);
  EXPECT_EQ(Le32(bytes, 14), 40u);
  EXPECT_EQ(Le16(bytes, 26), 1u);
  EXPECT_EQ(Le16(bytes, 28), 24u);
  EXPECT_EQ(Le32(bytes, 30), 0u);
  EXPECT_EQ(Le32(bytes, 34), rowSize * size_t(height));
  EXPECT_EQ(Le32(bytes, 38), 3780u);
  EXPECT_EQ(Le32(bytes, 42), 3780u);
  EXPECT_EQ(Le32(bytes, 46), 0u);
  EXPECT_EQ(Le32(bytes, 50), 0u);
  EXPECT_EQ(bytes.size(), 54 + rowSize * size_t(height));
  if (width <= 0 || height <= 0 || bytes.size() != 54 + rowSize * size_t(height)) return picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y) {
    const size_t rowStart = 54 + size_t(height - 1 - y) * rowSize;  // bottom row first
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = rowStart + 3 * size_t(x);
      picture.at(x, y) = Rgb{uint8_t(bytes[at + 2]), uint8_t(bytes[at + 1]), uint8_t(bytes[at])};
    }
    for (size_t pad = rowStart + 3 * size_t(width); pad < rowStart + rowSize; ++pad) {
      EXPECT_EQ(bytes[pad], '\0') << "padding of row " << y;
    }
  }
  return picture;
}

namespace {

void PaintSquare(Picture& picture, int32_t x, int32_t y, Rgb colour) {
  // Nine lines from (2x - 4, r) to (2x + 4, r), each end clamped into the picture; a
  // line whose two ends coincide sets nothing.
  auto clamp = [](int64_t value, int32_t last) -> int64_t {
    return value > last ? last : value < 0 ? 0 : value;
  };
  for (int64_t r = 2 * int64_t{y} - 4; r <= 2 * int64_t{y} + 4; ++r) {
    const int64_t row = clamp(r, picture.height - 1);
    const int64_t from = clamp(2 * int64_t{x} - 4, picture.width - 1);
    const int64_t to = clamp(2 * int64_t{x} + 4, picture.width - 1);
    if (from == to) continue;
    for (int64_t column = from; column <= to; ++column) {
      picture.at(int32_t(column), int32_t(row)) = colour;
    }
  }
}

}  // namespace

Picture ReferenceMap(const std::vector<IslandRecord>& islands, const std::vector<ShipRecord>& ships,
                     int32_t width, int32_t height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(size_t(width) * size_t(height), Rgb{50, 50, 255});
  for (const IslandRecord& island : islands) {
    PaintSquare(picture, island.x, island.y, Rgb{255, 255, 0});
  }
  for (const ShipRecord& ship : ships) PaintSquare(picture, ship.x, ship.y, Rgb{255, 0, 0});
  return picture;
}

Picture PictureOf(const RasterImage& image) {
  Picture picture;
  picture.width = image.Width();
  picture.height = image.Height();
  picture.pixels.resize(size_t(picture.width) * size_t(picture.height));
  for (int32_t y = 0; y < picture.height; ++y) {
    for (int32_t x = 0; x < picture.width; ++x) {
      const PixelQuad p = image.PixelValue(x, y);
      picture.at(x, y) = Rgb{p.red, p.green, p.blue};
    }
  }
  return picture;
}

}  // namespace tlmaper::testing
