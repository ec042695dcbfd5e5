// Draws the world onto a canvas: background, then a 9 x 9 square per island, then
// one per ship, each centred on twice its world position.
#pragma once

#include <cstddef>
#include <vector>

#include "raster/image.h"
#include "save/world.h"

namespace tlmaper {

inline constexpr PixelQuad BackgroundColour{255, 50, 50, 0};
inline constexpr PixelQuad IslandColour{0, 255, 255, 0};
inline constexpr PixelQuad ShipColour{0, 0, 255, 0};

// Sets the pixels of the line between the two ends after moving both into the image.
// A line whose ends coincide sets nothing. Alpha bytes are left as they are.
void PlotLine(RasterImage& image, int32_t fromX, int32_t fromY, int32_t toX, int32_t toY,
              PixelQuad colour);

// The 9 x 9 square of a record at world position (x, y): exactly the PlotLine calls from
// (2x - 4, r) to (2x + 4, r) for r = 2y - 4 ... 2y + 4, with those coordinates computed
// in 64 bits before clamping (so a far-away record never wraps onto the canvas).
void DrawRecordSquare(RasterImage& image, int32_t x, int32_t y, PixelQuad colour);

// The canvas size for `bounds`: (max - min) x 2 + 64 in wrapping 32-bit arithmetic.
int32_t CanvasWidth(const MapBounds& bounds);
int32_t CanvasHeight(const MapBounds& bounds);

// Paints `image` (freshly constructed): 24 bits, the canvas size from the bounds, the
// background, every island square in list order, then every ship square. False when the
// canvas size was refused (SetDimensions prints why); the unpainted 1 x 1 image is then
// left for writing.
bool RenderMap(const std::vector<IslandRecord>& islands, const std::vector<ShipRecord>& ships,
               const MapBounds& bounds, RasterImage& image);

// The islands whose centre pixel (2x, 2y), computed in 64 bits, lies outside `image`.
// The canvas is sized from the islands' spread but keeps world position 0, 0 at its
// corner, so islands far from 0, 0 (or any island but one at 0, 0 on a refused 1 x 1
// canvas) fall off the map; this count lets the run say so. Ships are not counted.
size_t CountIslandsOutsideCanvas(const std::vector<IslandRecord>& islands,
                                 const RasterImage& image);

}  // namespace tlmaper
