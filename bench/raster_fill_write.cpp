// The raster benchmark's tool side: a RasterImage of the given size at 24 bits, painted
// all over (every pixel set to the map's background colour, as the picture floor does),
// then written with BmpWriter. The painting mode:
//   pixelat  every pixel set through PixelAt (the general, checked access)
//   rows     every pixel set through MutableRow (the drawing fast path)
//   fill     PaintAll (the background fast path: nothing is touched before the write)
// Usage: raster_fill_write WIDTH HEIGHT OUTPUT.bmp [pixelat|rows|fill]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "raster/render.h"

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: raster_fill_write WIDTH HEIGHT OUTPUT.bmp [pixelat|rows|fill]\n");
    return 2;
  }
  const int32_t width = std::atoi(argv[1]);
  const int32_t height = std::atoi(argv[2]);
  const char* mode = argc == 5 ? argv[4] : "pixelat";
  tlmaper::RasterImage image;
  image.SetBitsPerPixel(24);
  if (!image.SetDimensions(width, height)) return 1;
  const tlmaper::PixelQuad colour = tlmaper::BackgroundColour;
  if (std::strcmp(mode, "pixelat") == 0) {
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        image.PixelAt(x, y) = colour;
      }
    }
  } else if (std::strcmp(mode, "rows") == 0) {
    for (int32_t y = 0; y < height; ++y) {
      tlmaper::PixelQuad* row = image.MutableRow(y);
      for (int32_t x = 0; x < width; ++x) row[x] = colour;
    }
  } else if (std::strcmp(mode, "fill") == 0) {
    image.PaintAll(colour);
  } else {
    std::fprintf(stderr, "unknown mode %s\n", mode);
    return 2;
  }
  return image.BmpWriter(argv[3]) ? 0 : 1;
}
