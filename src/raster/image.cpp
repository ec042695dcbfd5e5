// RasterImage: construction, size, depth and pixel access.
#include "raster/image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "raster/messages.h"

namespace tlmaper {

using raster_messages::Decimal;
using raster_messages::Indent;
using raster_messages::PrintLines;

namespace {

bool IsSupportedDepth(int32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

void WarnSizeUnchanged(std::string_view firstLine, int32_t width, int32_t height) {
  const std::string second = std::string(Indent) + "Size remains unchanged at " + Decimal(width) +
                             " x " + Decimal(height) + ".";
  PrintLines({firstLine, second});
}

}  // namespace

RasterImage::RasterImage() = default;

bool RasterImage::SetBitsPerPixel(int32_t bits) {
  if (!IsSupportedDepth(bits)) {
    const std::string first =
        "Picture Warning: User attempted to set an unsupported bit depth " + Decimal(bits) + ".";
    const std::string second =
        std::string(Indent) + "Bit depth remains " + Decimal(bitsPerPixel_) + ".";
    PrintLines({first, second});
    return false;
  }
  bitsPerPixel_ = bits;
  hasPalette_ = false;
  if (bits == 1 || bits == 4 || bits == 8) BuildPalette();
  return true;
}

void RasterImage::BuildPalette() {
  hasPalette_ = true;
  std::fill(std::begin(palette_), std::end(palette_), PixelQuad{});
  FillStandardPalette();
}

bool RasterImage::SetDimensions(int32_t newWidth, int32_t newHeight) {
  if (newWidth <= 0 || newHeight <= 0) {
    WarnSizeUnchanged("Picture Warning: User attempted to set a non-positive width or height.",
                      width_, height_);
    return false;
  }
  const int64_t count = int64_t{newWidth} * int64_t{newHeight};
  PixelQuad* block = nullptr;
  uint8_t* ready = nullptr;
  if (count <= MaxPixelCount) {
    // Raw allocations: the pixel block is not touched here (a large one is fresh,
    // lazily mapped memory), and the row flags start zero.
    block = static_cast<PixelQuad*>(std::malloc(static_cast<size_t>(count) * sizeof(PixelQuad)));
    ready = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(newHeight), 1));
  }
  if (block == nullptr || ready == nullptr) {
    std::free(block);
    std::free(ready);
    WarnSizeUnchanged(
        "Picture Warning: User attempted to set a size that is too large to allocate.", width_,
        height_);
    return false;
  }
  ownedPixels_.reset(block);
  ownedRowReady_.reset(ready);
  pixels_ = block;
  rowReady_ = ready;
  width_ = newWidth;
  height_ = newHeight;
  uniform_ = WhitePixel;
  return true;
}

PixelQuad& RasterImage::ClampedPixelAt(int32_t x, int32_t y) {
  bool clamped = false;
  if (x >= width_) x = width_ - 1, clamped = true;
  if (x < 0) x = 0, clamped = true;
  if (y >= height_) y = height_ - 1, clamped = true;
  if (y < 0) y = 0, clamped = true;
  if (clamped) {
    const std::string second = std::string(Indent) + "Truncating request to fit in the range [0," +
                               Decimal(width_ - 1) + "] x [0," + Decimal(height_ - 1) + "].";
    PrintLines({"Picture Warning: Attempted to access non-existent pixel;", second});
  }
  return MutableRow(y)[x];
}

PixelQuad RasterImage::PixelValue(int32_t x, int32_t y) const {
  if (!rowReady_[y]) return uniform_;
  return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

void RasterImage::MaterialiseRow(int32_t y) {
  PixelQuad* row = pixels_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
  std::fill_n(row, width_, uniform_);
  rowReady_[y] = 1;
}

void RasterImage::PaintAll(PixelQuad colour) {
  uniform_.blue = colour.blue;
  uniform_.green = colour.green;
  uniform_.red = colour.red;
  for (int32_t y = 0; y < height_; ++y) {
    if (!rowReady_[y]) continue;
    PixelQuad* row = pixels_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
    for (int32_t x = 0; x < width_; ++x) {
      row[x].blue = colour.blue;
      row[x].green = colour.green;
      row[x].red = colour.red;
    }
  }
}

}  // namespace tlmaper
