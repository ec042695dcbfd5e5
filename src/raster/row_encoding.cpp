#include "raster/row_encoding.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TLMAPER_HAVE_SSSE3_PATH 1
#endif

namespace tlmaper {

void EncodeRow24Portable(const PixelQuad* row, int32_t width, uint8_t* out) {
  int32_t x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Four pixels (16 bytes) become three words (12 bytes), stored one by one.
    for (; x + 4 <= width; x += 4) {
      uint32_t p0, p1, p2, p3;
      std::memcpy(&p0, row + x, 4);
      std::memcpy(&p1, row + x + 1, 4);
      std::memcpy(&p2, row + x + 2, 4);
      std::memcpy(&p3, row + x + 3, 4);
      const uint32_t w0 = (p0 & 0x00FFFFFFu) | (p1 << 24);
      const uint32_t w1 = ((p1 >> 8) & 0x0000FFFFu) | (p2 << 16);
      const uint32_t w2 = ((p2 >> 16) & 0x000000FFu) | (p3 << 8);
      std::memcpy(out, &w0, 4);
      std::memcpy(out + 4, &w1, 4);
      std::memcpy(out + 8, &w2, 4);
      out += 12;
    }
  }
  for (; x < width; ++x) {
    out[0] = row[x].blue;
    out[1] = row[x].green;
    out[2] = row[x].red;
    out += 3;
  }
}

#ifdef TLMAPER_HAVE_SSSE3_PATH
namespace {

__attribute__((target("ssse3"))) void EncodeRow24Ssse3(const PixelQuad* row, int32_t width,
                                                       uint8_t* out) {
  // One shuffle drops the alpha bytes of four pixels. The 16-byte store writes 4 bytes
  // beyond the 12 it means, which the next store overwrites; the loop stops while at
  // least two more pixels follow, so no store reaches past 3 x width bytes.
  const __m128i dropAlpha = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int32_t x = 0;
  for (; x + 6 <= width; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pixels, dropAlpha));
    out += 12;
  }
  EncodeRow24Portable(row + x, width - x, out);
}

}  // namespace
#endif

void EncodeRow24(const PixelQuad* row, int32_t width, uint8_t* out) {
#ifdef TLMAPER_HAVE_SSSE3_PATH
  static const bool haveSsse3 = __builtin_cpu_supports("ssse3");
  if (haveSsse3) {
    EncodeRow24Ssse3(row, width, out);
    return;
  }
#endif
  EncodeRow24Portable(row, width, out);
}

}  // namespace tlmaper
