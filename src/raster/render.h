// Draws the world onto a canvas: background, then a 9 x 9 square per island, then
// one per ship, each centred on twice its world position.
#pragma once

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

// Paints `image` (freshly constructed). False when the canvas size computed from the
// bounds was refused; the 1 x 1 image is then left for writing.
bool RenderMap(const std::vector<IslandRecord>& islands, const std::vector<ShipRecord>& ships,
               const MapBounds& bounds, RasterImage& image);

}  // namespace tlmaper
