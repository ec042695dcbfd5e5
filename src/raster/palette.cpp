// The colour tables: ColourCount, PaletteEntry, FillStandardPalette and the nearest
// palette index used by the 1-, 4- and 8-bit encoders.
#include <algorithm>

#include "raster/image.h"
#include "raster/messages.h"

namespace tlmaper {

using raster_messages::Decimal;
using raster_messages::Indent;
using raster_messages::PrintLines;

namespace {

bool IsPaletteDepth(int32_t bits) {
  return bits == 1 || bits == 4 || bits == 8;
}

constexpr PixelQuad Rgb(int red, int green, int blue) {
  return PixelQuad{static_cast<uint8_t>(blue), static_cast<uint8_t>(green),
                   static_cast<uint8_t>(red), 0};
}

}  // namespace

int32_t RasterImage::ColourCount() const {
  if (bitsPerPixel_ <= 0) return 1;
  if (bitsPerPixel_ >= 32) return int32_t{1} << 24;  // 32 bits: 2^24 colours, as specified
  return int32_t{1} << std::min<int32_t>(bitsPerPixel_, 30);
}

PixelQuad RasterImage::PaletteEntry(int32_t index) const {
  if (!IsPaletteDepth(bitsPerPixel_)) {
    PrintLines({"Picture Warning: Attempted to access color table for a BMP object",
                std::string(Indent) + "that lacks a color table. Ignoring request."});
    return WhitePixel;
  }
  if (!hasPalette_) {
    PrintLines({"Picture Warning: Requested a color, but the color table",
                std::string(Indent) + "is not defined. Ignoring request."});
    return WhitePixel;
  }
  if (index < 0 || index >= ColourCount()) {
    PrintLines(
        {"Picture Warning: Requested color number " + Decimal(index) + " is outside the allowed",
         std::string(Indent) + "range [0," + Decimal(ColourCount() - 1) +
             "]. Ignoring request to get this color."});
    return WhitePixel;
  }
  return palette_[index];
}

bool RasterImage::FillStandardPalette() {
  if (!IsPaletteDepth(bitsPerPixel_)) {
    PrintLines({"Picture Warning: Attempted to create color table at a bit",
                std::string(Indent) + "depth that does not require a color table.",
                std::string(Indent) + "Ignoring request."});
    return false;
  }
  hasPalette_ = true;
  if (bitsPerPixel_ == 1) {
    palette_[0] = Rgb(0, 0, 0);
    palette_[1] = Rgb(255, 255, 255);
    return true;
  }
  if (bitsPerPixel_ == 4) {
    for (int n = 0; n < 16; ++n) {
      const int intensity = n < 8 ? 128 : 255;
      palette_[n] = Rgb(n & 1 ? intensity : 0, n & 2 ? intensity : 0, n & 4 ? intensity : 0);
    }
    palette_[8] = Rgb(192, 192, 192);
    return true;
  }
  // 8 bits: three passes, each overwriting the previous.
  for (int b = 0; b < 4; ++b) {
    for (int g = 0; g < 8; ++g) {
      for (int r = 0; r < 8; ++r) palette_[64 * b + 8 * g + r] = Rgb(32 * r, 32 * g, 64 * b);
    }
  }
  for (int n = 0; n < 8; ++n) {
    palette_[n] = Rgb(n & 1 ? 128 : 0, n & 2 ? 128 : 0, n & 4 ? 128 : 0);
  }
  palette_[7] = Rgb(192, 192, 192);
  palette_[8] = Rgb(192, 220, 192);
  palette_[9] = Rgb(166, 202, 240);
  palette_[246] = Rgb(255, 251, 240);
  palette_[247] = Rgb(160, 160, 164);
  palette_[248] = Rgb(128, 128, 128);
  palette_[249] = Rgb(255, 0, 0);
  palette_[250] = Rgb(0, 255, 0);
  palette_[251] = Rgb(255, 255, 0);
  palette_[252] = Rgb(0, 0, 255);
  palette_[253] = Rgb(255, 0, 255);
  palette_[254] = Rgb(0, 255, 255);
  palette_[255] = Rgb(255, 255, 255);
  return true;
}

uint8_t RasterImage::NearestPaletteIndex(PixelQuad pixel) const {
  if (!IsPaletteDepth(bitsPerPixel_) || !hasPalette_) {
    PaletteEntry(0);  // prints the warning that fits the image's state
    return 0;
  }
  int32_t bestIndex = 0;
  int32_t bestDistance = 999999;
  const int32_t count = ColourCount();
  for (int32_t k = 0; k < count; ++k) {
    const PixelQuad& entry = palette_[k];  // PaletteEntry(k) without its checks: k is valid
    const int32_t red = int32_t{pixel.red} - int32_t{entry.red};
    const int32_t green = int32_t{pixel.green} - int32_t{entry.green};
    const int32_t blue = int32_t{pixel.blue} - int32_t{entry.blue};
    const int32_t distance = red * red + green * green + blue * blue;
    if (distance < bestDistance) {
      bestDistance = distance;
      bestIndex = k;
    }
    if (bestDistance == 0) break;
  }
  return static_cast<uint8_t>(bestIndex);
}

}  // namespace tlmaper
