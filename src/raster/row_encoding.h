// The 24-bit row encoder the writer uses for drawn rows, exposed for its tests and
// benchmarks: `width` pixels become blue, green, red byte triples at the front of `out`.
// Writes exactly 3 x width bytes.
#pragma once

#include <cstdint>

#include "raster/image.h"

namespace tlmaper {

void EncodeRow24(const PixelQuad* row, int32_t width, uint8_t* out);

// The portable version, also used where the processor lacks SSSE3.
void EncodeRow24Portable(const PixelQuad* row, int32_t width, uint8_t* out);

}  // namespace tlmaper
