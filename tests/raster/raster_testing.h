// Helpers for the raster tests: captured console output, an independent reader for the
// files the writer makes, and a plain reference model of the map picture.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "raster/image.h"
#include "save/world.h"
#include "support/run_binary.h"

namespace tlmaper::testing {

// Everything `action` prints on standard output.
std::string CapturedStdout(const std::function<void()>& action);

// Little-endian fields of a byte string.
uint32_t Le16(const std::string& bytes, size_t offset);
uint32_t Le32(const std::string& bytes, size_t offset);

// The bytes of a file as a string of hex pairs separated by spaces ("FF 00 ...").
std::string Hex(const std::string& bytes);

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);

// A picture as rows of colours, top row first.
struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Rgb> pixels;  // width * height, row-major, top row first
  Rgb& at(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  const Rgb& at(int32_t x, int32_t y) const {
    return pixels[size_t(y) * size_t(width) + size_t(x)];
  }
  bool operator==(const Picture&) const = default;
};

// Reads a 24-bit bottom-up BMP file (the tool's format) written by the writer, checking
// every header field against the BMP layout. Fails the test on any mismatch.
Picture ReadBmp24(const std::string& bytes);

// The map drawn the slow and obvious way: every pixel
// background, then each square pixel by pixel with 64-bit clamping of the coordinates.
Picture ReferenceMap(const std::vector<IslandRecord>& islands, const std::vector<ShipRecord>& ships,
                     int32_t width, int32_t height);

// The image's pixels as a Picture (alpha dropped).
Picture PictureOf(const RasterImage& image);

}  // namespace tlmaper::testing
