// The picture floor: the least a program can do to produce the tool's bitmap. It
// allocates one 4-byte-per-pixel canvas, paints every pixel, and writes the padded
// 24-bit rows bottom-up with one fwrite each (after the 54-byte header).
// Usage: picture_floor WIDTH HEIGHT OUTPUT.bmp
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: picture_floor WIDTH HEIGHT OUTPUT.bmp\n");
    return 2;
  }
  const long width = std::atol(argv[1]);
  const long height = std::atol(argv[2]);
  if (width <= 0 || height <= 0) return 2;
  const size_t pixels = size_t(width) * size_t(height);
  uint8_t* canvas = static_cast<uint8_t*>(std::malloc(pixels * 4));
  if (canvas == nullptr) return 1;
  for (size_t i = 0; i < pixels; ++i) {  // blue, green, red, alpha: the map's background
    canvas[4 * i] = 255;
    canvas[4 * i + 1] = 50;
    canvas[4 * i + 2] = 50;
    canvas[4 * i + 3] = 0;
  }

  const size_t rowSize = (size_t(width) * 3 + 3) / 4 * 4;
  const uint32_t imageBytes = uint32_t(rowSize * size_t(height));
  uint8_t header[54] = {'B', 'M'};
  auto put32 = [&header](int at, uint32_t value) {
    for (int i = 0; i < 4; ++i) header[at + i] = uint8_t(value >> (8 * i));
  };
  put32(2, 54 + imageBytes);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  header[26] = 1;
  header[28] = 24;
  put32(34, imageBytes);
  put32(38, 3780);
  put32(42, 3780);

  std::FILE* file = std::fopen(argv[3], "wb");
  if (file == nullptr) return 1;
  std::fwrite(header, 1, sizeof header, file);
  uint8_t* row = static_cast<uint8_t*>(std::calloc(rowSize, 1));
  for (long y = height - 1; y >= 0; --y) {
    const uint8_t* source = canvas + size_t(y) * size_t(width) * 4;
    for (long x = 0; x < width; ++x) std::memcpy(row + 3 * x, source + 4 * x, 3);
    if (std::fwrite(row, 1, rowSize, file) != rowSize) return 1;
  }
  std::free(row);
  std::free(canvas);
  return std::fclose(file) == 0 ? 0 : 1;
}
