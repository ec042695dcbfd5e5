// BmpWriter: the image as an uncompressed Windows bitmap, written through a
// temporary file that replaces the target only when complete.
#include <cstring>
#include <memory>
#include <new>

#include "base/output_file.h"
#include "raster/image.h"
#include "raster/messages.h"
#include "raster/row_encoding.h"

namespace tlmaper {

using raster_messages::PrintLines;

namespace {

bool IsPaletteDepth(int32_t bits) {
  return bits == 1 || bits == 4 || bits == 8;
}

// Pixel sources for the encoders: a materialised row, or a row of one colour.
struct RowSource {
  const PixelQuad* row;
  PixelQuad operator[](int32_t x) const { return row[x]; }
};
struct UniformSource {
  PixelQuad colour;
  PixelQuad operator[](int32_t) const { return colour; }
};

// NearestPaletteIndex with a one-colour memory: neighbouring pixels mostly repeat.
class IndexLookup {
 public:
  explicit IndexLookup(const RasterImage& image) : image_(image) {}
  uint8_t operator()(PixelQuad pixel) {
    if (!valid_ || pixel.red != last_.red || pixel.green != last_.green ||
        pixel.blue != last_.blue) {
      last_ = pixel;
      index_ = image_.NearestPaletteIndex(pixel);
      valid_ = true;
    }
    return index_;
  }

 private:
  const RasterImage& image_;
  PixelQuad last_;
  uint8_t index_ = 0;
  bool valid_ = false;
};

// Encodes one row's pixels into the front of `out` (whose tail stays zero). False for a
// depth without an encoder.
template <class Source>
bool EncodeRow(int32_t depth, const Source& source, int32_t width, uint8_t* out,
               IndexLookup& lookup) {
  switch (depth) {
    case 32:
      for (int32_t x = 0; x < width; ++x) {
        const PixelQuad p = source[x];
        out[4 * size_t(x)] = p.blue;
        out[4 * size_t(x) + 1] = p.green;
        out[4 * size_t(x) + 2] = p.red;
        out[4 * size_t(x) + 3] = p.alpha;
      }
      return true;
    case 24:
      for (int32_t x = 0; x < width; ++x) {
        const PixelQuad p = source[x];
        out[3 * size_t(x)] = p.blue;
        out[3 * size_t(x) + 1] = p.green;
        out[3 * size_t(x) + 2] = p.red;
      }
      return true;
    case 16:
      for (int32_t x = 0; x < width; ++x) {
        const PixelQuad p = source[x];
        const unsigned value =
            (unsigned{p.red} >> 3) << 11 | (unsigned{p.green} >> 2) << 5 | unsigned{p.blue} >> 3;
        out[2 * size_t(x)] = static_cast<uint8_t>(value & 0xFF);
        out[2 * size_t(x) + 1] = static_cast<uint8_t>(value >> 8);
      }
      return true;
    case 8:
      for (int32_t x = 0; x < width; ++x) out[x] = lookup(source[x]);
      return true;
    case 4:
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t index = lookup(source[x]);
        if (x % 2 == 0) {
          out[x / 2] = static_cast<uint8_t>(index << 4);
        } else {
          out[x / 2] = static_cast<uint8_t>(out[x / 2] | index);
        }
      }
      return true;
    case 1:
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t index = lookup(source[x]);
        if (x % 8 == 0) out[x / 8] = 0;
        out[x / 8] = static_cast<uint8_t>(out[x / 8] | (index & 1) << (7 - x % 8));
      }
      return true;
    default:
      return false;
  }
}

bool EncodeRow(int32_t depth, const RowSource& source, int32_t width, uint8_t* out,
               IndexLookup& lookup) {
  if (depth == 32) {
    std::memcpy(out, source.row, size_t(width) * sizeof(PixelQuad));
    return true;
  }
  if (depth == 24) {
    EncodeRow24(source.row, width, out);
    return true;
  }
  return EncodeRow<RowSource>(depth, source, width, out, lookup);
}

class HeaderBytes {
 public:
  void Put16(uint32_t value) { Put(value, 2); }
  void Put32(uint32_t value) { Put(value, 4); }
  void PutQuad(PixelQuad quad) {
    bytes_[size_++] = quad.blue;
    bytes_[size_++] = quad.green;
    bytes_[size_++] = quad.red;
    bytes_[size_++] = quad.alpha;
  }
  const uint8_t* data() const { return bytes_; }
  size_t size() const { return size_; }

 private:
  void Put(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes_[size_++] = static_cast<uint8_t>(value >> (8 * i));
  }
  uint8_t bytes_[54 + 4 * 256];
  size_t size_ = 0;
};

std::unique_ptr<uint8_t[]> ZeroedBuffer(uint64_t size) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

}  // namespace

bool RasterImage::BmpWriter(const std::string& fileName) {
  const int32_t depth = bitsPerPixel_;
  const uint64_t rowBytes = (uint64_t(depth) * uint64_t(width_) + 7) / 8;
  const uint64_t rowSize = (rowBytes + 3) / 4 * 4;
  const uint64_t tableBytes = IsPaletteDepth(depth) ? uint64_t{4} << depth
                              : depth == 16         ? uint64_t{12}
                                                    : uint64_t{0};
  const uint64_t offBits = 54 + tableBytes;
  const uint64_t imageBytes = rowSize * uint64_t(height_);
  const uint64_t fileSize = offBits + imageBytes;
  if (fileSize > 0xFFFFFFFFu) {
    PrintLines({"Picture Error: Image is too large for the BMP format."});
    return false;
  }

  PendingFile file;
  if (!OpenPendingFile(fileName, file)) {
    PrintLines({"Picture Error: Cannot open file " + fileName + " for output."});
    return false;
  }
  const auto fail = [&file] {
    DiscardPendingFile(file);
    PrintLines({"Picture Error: Could not write proper amount of data."});
    return false;
  };

  if (IsPaletteDepth(depth) && !hasPalette_) BuildPalette();

  HeaderBytes header;
  header.Put16(0x4D42);  // "BM"
  header.Put32(static_cast<uint32_t>(fileSize));
  header.Put16(0);
  header.Put16(0);
  header.Put32(static_cast<uint32_t>(offBits));
  header.Put32(40);
  header.Put32(static_cast<uint32_t>(width_));
  header.Put32(static_cast<uint32_t>(height_));
  header.Put16(1);
  header.Put16(static_cast<uint32_t>(depth));
  header.Put32(depth == 16 ? 3 : 0);
  header.Put32(static_cast<uint32_t>(imageBytes));
  header.Put32(static_cast<uint32_t>(xPixelsPerMetre_ == 0 ? 3780 : xPixelsPerMetre_));
  header.Put32(static_cast<uint32_t>(yPixelsPerMetre_ == 0 ? 3780 : yPixelsPerMetre_));
  header.Put32(0);
  header.Put32(0);
  if (IsPaletteDepth(depth)) {
    for (int32_t k = 0; k < ColourCount(); ++k) header.PutQuad(palette_[k]);
  } else if (depth == 16) {
    header.Put32(0xF800);
    header.Put32(0x07E0);
    header.Put32(0x001F);
  }
  if (!WritePending(file, header.data(), header.size())) return fail();

  // Rows bottom-up. A materialised row is encoded into the reused row buffer; a row
  // still of the uniform colour goes out from a buffer encoded once.
  std::unique_ptr<uint8_t[]> rowBuffer;
  std::unique_ptr<uint8_t[]> uniformBuffer;
  IndexLookup lookup(*this);
  for (int32_t y = height_ - 1; y >= 0; --y) {
    const uint8_t* bytes = nullptr;
    if (rowReady_[y]) {
      if (!rowBuffer && !(rowBuffer = ZeroedBuffer(rowSize))) return fail();
      const PixelQuad* row = pixels_ + size_t(y) * size_t(width_);
      if (!EncodeRow(depth, RowSource{row}, width_, rowBuffer.get(), lookup)) return fail();
      bytes = rowBuffer.get();
    } else {
      if (!uniformBuffer) {
        if (!(uniformBuffer = ZeroedBuffer(rowSize))) return fail();
        if (!EncodeRow(depth, UniformSource{uniform_}, width_, uniformBuffer.get(), lookup)) {
          return fail();
        }
      }
      bytes = uniformBuffer.get();
    }
    if (!WritePending(file, bytes, size_t(rowSize))) return fail();
  }

  if (!CommitPendingFile(file)) {
    PrintLines({"Picture Error: Could not write proper amount of data."});
    return false;
  }
  return true;
}

}  // namespace tlmaper
