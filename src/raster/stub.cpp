// Placeholder implementation until the raster module lands.
#include "driver/output_file.h"
#include "raster/render.h"

namespace tlmaper {

RasterImage::RasterImage() : pixels_(1, PixelQuad{255, 255, 255, 0}) {}

bool RasterImage::BmpWriter(const std::string& fileName) {
  PendingFile file;
  return OpenPendingFile(fileName, file) && CommitPendingFile(file);
}

bool RenderMap(const std::vector<IslandRecord>&, const std::vector<ShipRecord>&,
               const MapBounds&, RasterImage&) {
  return true;
}

}  // namespace tlmaper
