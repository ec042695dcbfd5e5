// Placeholder implementation until the page module lands.
#include "driver/output_file.h"
#include "page/layers.h"
#include "page/page.h"

namespace tlmaper {

std::string LoadPageTemplate() { return {}; }
void FillWorldPlaceholders(std::string&, const PlayerRecord&, const MapBounds&,
                           const std::string&) {}
void BuildMarkerLayers(const std::vector<IslandRecord>&, const std::vector<ShipRecord>&,
                       std::string&) {}
bool WritePage(const std::string& page, const std::string& pagePath) {
  PendingFile file;
  return OpenPendingFile(pagePath, file) && WritePending(file, page.data(), page.size()) &&
         CommitPendingFile(file);
}

}  // namespace tlmaper
