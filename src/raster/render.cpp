// Map rendering: PlotLine, the record squares and RenderMap.
#include "raster/render.h"

#include <cstdlib>

namespace tlmaper {

namespace {

// Limits `value` to at most `last`, then to at least 0 (in this order).
int32_t ClampInto(int64_t value, int32_t last) {
  if (value > last) value = last;
  if (value < 0) value = 0;
  return static_cast<int32_t>(value);
}

void SetColour(PixelQuad& pixel, PixelQuad colour) {
  pixel.blue = colour.blue;
  pixel.green = colour.green;
  pixel.red = colour.red;
}

int32_t CanvasSide(int32_t minimum, int32_t maximum) {
  // Unsigned arithmetic wraps without undefined behaviour; the conversion back to a
  // signed value is modular (C++20).
  const uint32_t side =
      (static_cast<uint32_t>(maximum) - static_cast<uint32_t>(minimum)) * 2u + 64u;
  return static_cast<int32_t>(side);
}

}  // namespace

void PlotLine(RasterImage& image, int32_t fromX, int32_t fromY, int32_t toX, int32_t toY,
              PixelQuad colour) {
  const int32_t lastX = image.Width() - 1;
  const int32_t lastY = image.Height() - 1;
  fromX = ClampInto(fromX, lastX);
  toX = ClampInto(toX, lastX);
  fromY = ClampInto(fromY, lastY);
  toY = ClampInto(toY, lastY);

  int64_t dx = int64_t{toX} - fromX;
  int64_t dy = int64_t{toY} - fromY;
  if (dx == 0 && dy == 0) return;
  const int64_t stepX = dx < 0 ? -1 : 1;
  const int64_t stepY = dy < 0 ? -1 : 1;
  dx = std::llabs(dx);
  dy = std::llabs(dy);
  const bool xMajor = dx >= dy;
  const int64_t longSpan = xMajor ? dx : dy;
  const int64_t shortSpan = xMajor ? dy : dx;

  // The error term starts at long / 2; it is kept doubled so that the half stays exact.
  int64_t error2 = longSpan;
  int64_t x = fromX;
  int64_t y = fromY;
  for (int64_t i = 0; i <= longSpan; ++i) {
    // Both ends lie inside the image, so every point does: PixelAt would never clamp.
    SetColour(image.MutableRow(static_cast<int32_t>(y))[x], colour);
    error2 += 2 * shortSpan;
    if (error2 >= 2 * longSpan) {
      if (xMajor) {
        y += stepY;
      } else {
        x += stepX;
      }
      error2 -= 2 * longSpan;
    }
    if (xMajor) {
      x += stepX;
    } else {
      y += stepY;
    }
  }
}

void DrawRecordSquare(RasterImage& image, int32_t x, int32_t y, PixelQuad colour) {
  const int32_t lastX = image.Width() - 1;
  const int32_t lastY = image.Height() - 1;
  const int64_t centreX = 2 * int64_t{x};
  const int64_t centreY = 2 * int64_t{y};
  // Every row's line runs from the clamped left end to the clamped right end; when they
  // meet the line sets nothing. Clamping is monotonic, so the nine clamped rows are the
  // rows from the clamped top to the clamped bottom (repeats draw the same run again).
  const int32_t left = ClampInto(centreX - 4, lastX);
  const int32_t right = ClampInto(centreX + 4, lastX);
  if (left == right) return;
  const int32_t top = ClampInto(centreY - 4, lastY);
  const int32_t bottom = ClampInto(centreY + 4, lastY);
  for (int32_t row = top; row <= bottom; ++row) {
    PixelQuad* pixels = image.MutableRow(row);
    for (int32_t column = left; column <= right; ++column) SetColour(pixels[column], colour);
  }
}

int32_t CanvasWidth(const MapBounds& bounds) {
  return CanvasSide(bounds.minX, bounds.maxX);
}
int32_t CanvasHeight(const MapBounds& bounds) {
  return CanvasSide(bounds.minY, bounds.maxY);
}

bool RenderMap(const std::vector<IslandRecord>& islands, const std::vector<ShipRecord>& ships,
               const MapBounds& bounds, RasterImage& image) {
  image.SetBitsPerPixel(24);
  const bool sized = image.SetDimensions(CanvasWidth(bounds), CanvasHeight(bounds));
  // The background: a PlotLine from (0, r) to (width - 1, r) on every row sets every
  // pixel when the image is at least 2 wide, and nothing on a 1-wide image.
  if (image.Width() > 1) image.PaintAll(BackgroundColour);
  for (const IslandRecord& island : islands) {
    DrawRecordSquare(image, island.x, island.y, IslandColour);
  }
  for (const ShipRecord& ship : ships) DrawRecordSquare(image, ship.x, ship.y, ShipColour);
  return sized;
}

}  // namespace tlmaper
