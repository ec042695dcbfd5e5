// Map rendering: PlotLine, the record squares and RenderMap.
#include "raster/render.h"

#include <algorithm>
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

namespace {

// A record's square after clamping: rows top..bottom, columns left..right.
struct ClampedSquare {
  int32_t left, right, top, bottom;
  PixelQuad colour;
};

// Every row's line runs from the clamped left end to the clamped right end; when they
// meet the line sets nothing (false). Clamping is monotonic, so the nine clamped rows
// are the rows from the clamped top to the clamped bottom (repeats draw the same run).
bool ClampSquare(const RasterImage& image, int32_t x, int32_t y, PixelQuad colour,
                 ClampedSquare& square) {
  const int32_t lastX = image.Width() - 1;
  const int32_t lastY = image.Height() - 1;
  const int64_t centreX = 2 * int64_t{x};
  const int64_t centreY = 2 * int64_t{y};
  square.left = ClampInto(centreX - 4, lastX);
  square.right = ClampInto(centreX + 4, lastX);
  square.top = ClampInto(centreY - 4, lastY);
  square.bottom = ClampInto(centreY + 4, lastY);
  square.colour = colour;
  return square.left != square.right;
}

void FillSquareRows(RasterImage& image, const ClampedSquare& square, int32_t fromRow,
                    int32_t toRow) {
  for (int32_t row = fromRow; row <= toRow; ++row) {
    PixelQuad* pixels = image.MutableRow(row);
    for (int32_t column = square.left; column <= square.right; ++column) {
      SetColour(pixels[column], square.colour);
    }
  }
}

template <typename Record>
void ClampSquares(const RasterImage& image, const std::vector<Record>& records, PixelQuad colour,
                  std::vector<ClampedSquare>& squares) {
  ClampedSquare square;
  for (const Record& record : records) {
    if (ClampSquare(image, record.x, record.y, colour, square)) squares.push_back(square);
  }
}

// Rows per band: a band of a wide canvas still fits in the processor's cache.
constexpr int32_t BandRows = 16;

// Draws the squares band by band rather than one after another, so that the canvas is
// walked once from top to bottom instead of at random. Within a band the squares keep
// their order, so where they overlap the later one still wins, pixel for pixel.
void DrawSquaresByBand(RasterImage& image, const std::vector<ClampedSquare>& squares) {
  const int32_t bands = (image.Height() + BandRows - 1) / BandRows;
  std::vector<uint32_t> bandStart(static_cast<size_t>(bands) + 1, 0);
  for (const ClampedSquare& square : squares) {
    for (int32_t band = square.top / BandRows; band <= square.bottom / BandRows; ++band) {
      ++bandStart[band + 1];
    }
  }
  for (int32_t band = 0; band < bands; ++band) bandStart[band + 1] += bandStart[band];
  // The squares copied into band order (a square crossing a band edge goes into both),
  // so that each band reads its squares in sequence.
  std::vector<ClampedSquare> byBand(bandStart[bands]);
  std::vector<uint32_t> next(bandStart.begin(), bandStart.end() - 1);
  for (const ClampedSquare& square : squares) {
    for (int32_t band = square.top / BandRows; band <= square.bottom / BandRows; ++band) {
      byBand[next[band]++] = square;
    }
  }
  for (int32_t band = 0; band < bands; ++band) {
    const int32_t firstRow = band * BandRows;
    const int32_t lastRow = firstRow + BandRows - 1;
    for (uint32_t k = bandStart[band]; k < bandStart[band + 1]; ++k) {
      const ClampedSquare& square = byBand[k];
      FillSquareRows(image, square, std::max(square.top, firstRow),
                     std::min(square.bottom, lastRow));
    }
  }
}

}  // namespace

void DrawRecordSquare(RasterImage& image, int32_t x, int32_t y, PixelQuad colour) {
  ClampedSquare square;
  if (ClampSquare(image, x, y, colour, square)) {
    FillSquareRows(image, square, square.top, square.bottom);
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
  std::vector<ClampedSquare> squares;
  squares.reserve(islands.size() + ships.size());
  ClampSquares(image, islands, IslandColour, squares);
  ClampSquares(image, ships, ShipColour, squares);
  DrawSquaresByBand(image, squares);
  return sized;
}

size_t CountIslandsOutsideCanvas(const std::vector<IslandRecord>& islands,
                                 const RasterImage& image) {
  const int64_t width = image.Width();
  const int64_t height = image.Height();
  size_t outside = 0;
  for (const IslandRecord& island : islands) {
    const int64_t column = 2 * int64_t{island.x};
    const int64_t row = 2 * int64_t{island.y};
    if (column < 0 || column >= width || row < 0 || row >= height) ++outside;
  }
  return outside;
}

}  // namespace tlmaper
