// The in-memory picture: a bit depth, a size, one colour per pixel and, at 1, 4 and 8
// bits, a standard colour table. Misuse never stops the run: it is answered with a
// warning on standard output and a clamped position, a refusal or white.
//
// Storage: one contiguous row-major block of `width` x `height` PixelQuads, top row
// first, allocated without being touched. A row that has never been asked for holds,
// logically, the image's uniform colour (white after SetDimensions); it is written into
// the block ("materialised") the first time the row is accessed for writing, so every
// pixel is touched at most once before it is written out, and rows that are never drawn
// on never cost memory. Nothing of this is observable: every pixel value, message and
// file byte is the same as with one stored colour per pixel.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace tlmaper {

struct PixelQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t alpha = 0;
  bool operator==(const PixelQuad&) const = default;
};

inline constexpr PixelQuad WhitePixel{255, 255, 255, 0};

// Largest number of pixels SetDimensions accepts (2^30).
inline constexpr int64_t MaxPixelCount = int64_t{1} << 30;

class RasterImage {
 public:
  RasterImage();  // 1 x 1, 24 bits, no palette, one white pixel
  ~RasterImage() = default;
  RasterImage(const RasterImage&) = delete;
  RasterImage& operator=(const RasterImage&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BitsPerPixel() const { return bitsPerPixel_; }
  bool HasPalette() const { return hasPalette_; }

  // Accepts 1, 4, 8, 16, 24 and 32; rebuilds the palette at 1, 4 and 8 bits and drops it
  // otherwise. Any other depth: a warning, false, nothing changes.
  bool SetBitsPerPixel(int32_t bits);
  // A new all-white picture of the given size. Refused with a warning (false, nothing
  // changes) when a value is not positive, when width x height exceeds MaxPixelCount or
  // when the memory cannot be had.
  bool SetDimensions(int32_t newWidth, int32_t newHeight);
  // The stored pixel at the clamped position; a warning when clamping was needed.
  PixelQuad& PixelAt(int32_t x, int32_t y) {
    if (static_cast<uint32_t>(x) < static_cast<uint32_t>(width_) &&
        static_cast<uint32_t>(y) < static_cast<uint32_t>(height_)) {
      return MutableRow(y)[x];
    }
    return ClampedPixelAt(x, y);
  }
  PixelQuad PaletteEntry(int32_t index) const;
  int32_t ColourCount() const;
  bool FillStandardPalette();
  // The index of the first palette entry nearest to `pixel` (sum of squared red, green
  // and blue differences), as the 1-, 4- and 8-bit encoders use it. Meaningful at those
  // depths only; at any other depth it prints the no-colour-table warning once and
  // answers 0.
  uint8_t NearestPaletteIndex(PixelQuad pixel) const;
  // Writes the image as a Windows BMP file through a temporary file that
  // replaces `fileName` only when complete.
  bool BmpWriter(const std::string& fileName);

  // Fast paths for drawing. Both are exact equivalents of per-pixel PixelAt writes.
  //
  // Row `y` (0 <= y < Height(), not checked) as Width() writable pixels.
  PixelQuad* MutableRow(int32_t y) {
    if (!rowReady_[y]) MaterialiseRow(y);
    return pixels_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
  }
  // Sets blue, green and red of every pixel to `colour`'s and keeps every alpha byte,
  // like a PlotLine over every row of an image at least 2 pixels wide. Costs nothing
  // while the picture is still uniform.
  void PaintAll(PixelQuad colour);

  // Reading without side effects: the pixel at (x, y), which must lie inside the image;
  // no warning, nothing is materialised.
  PixelQuad PixelValue(int32_t x, int32_t y) const;
  // True when row `y` is still the uniform colour and untouched in memory.
  bool RowIsUniform(int32_t y) const { return !rowReady_[y]; }
  PixelQuad UniformColour() const { return uniform_; }

 private:
  struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
  };

  PixelQuad& ClampedPixelAt(int32_t x, int32_t y);
  void MaterialiseRow(int32_t y);
  void BuildPalette();

  int32_t bitsPerPixel_ = 24;
  int32_t width_ = 1;
  int32_t height_ = 1;
  // The pixel block and one "materialised" byte per row. For the 1 x 1 image of
  // construction they point at the two members below, so construction never allocates.
  std::unique_ptr<PixelQuad, FreeDeleter> ownedPixels_;
  std::unique_ptr<uint8_t, FreeDeleter> ownedRowReady_;
  PixelQuad singlePixel_;
  uint8_t singleRowReady_ = 0;
  PixelQuad* pixels_ = &singlePixel_;
  uint8_t* rowReady_ = &singleRowReady_;
  PixelQuad uniform_ = WhitePixel;  // the colour of every pixel of a row not materialised
  bool hasPalette_ = false;
  PixelQuad palette_[256] = {};  // ColourCount() entries in use when hasPalette_
  int32_t xPixelsPerMetre_ = 0;
  int32_t yPixelsPerMetre_ = 0;
};

}  // namespace tlmaper
