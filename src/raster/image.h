// The in-memory picture: a bit depth, a size, one colour per pixel and, at 1, 4 and 8
// bits, a standard colour table. Misuse never stops the run: it is answered with a
// warning on standard output and a clamped position, a refusal or white.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tlmaper {

struct PixelQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t alpha = 0;
  bool operator==(const PixelQuad&) const = default;
};

class RasterImage {
 public:
  RasterImage();  // 1 x 1, 24 bits, no palette, one white pixel

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BitsPerPixel() const { return bitsPerPixel_; }

  bool SetBitsPerPixel(int32_t bits);
  bool SetDimensions(int32_t newWidth, int32_t newHeight);
  PixelQuad& PixelAt(int32_t x, int32_t y);
  PixelQuad PaletteEntry(int32_t index) const;
  int32_t ColourCount() const;
  bool FillStandardPalette();
  bool BmpWriter(const std::string& fileName);

 private:
  int32_t bitsPerPixel_ = 24;
  int32_t width_ = 1;
  int32_t height_ = 1;
  std::vector<PixelQuad> pixels_;
  std::vector<PixelQuad> palette_;
  int32_t xPixelsPerMetre_ = 0;
  int32_t yPixelsPerMetre_ = 0;
};

}  // namespace tlmaper
