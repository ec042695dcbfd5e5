// The whole run, in-process, on a fuzzed save written into a temporary directory.
// Saves whose canvas would be large are skipped so that each run stays quick.
#include "driver/tool.h"

#include <tinyxml2.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "save/reader.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t MaxCanvasPixels = 1 << 20;

const fs::path& WorkDirectory() {
  static const fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "tlmaper-fuzz-XXXXXX").string();
    return fs::path(mkdtemp(pattern.data()));
  }();
  return dir;
}

// The canvas side the run would compute, with the same wrapping arithmetic.
int32_t CanvasSide(int32_t low, int32_t high) {
  const uint32_t span = static_cast<uint32_t>(high) - static_cast<uint32_t>(low);
  return static_cast<int32_t>(span * 2u + 64u);
}

bool CanvasIsSmall(const uint8_t* data, size_t size) {
  tinyxml2::XMLDocument document;
  if (document.Parse(reinterpret_cast<const char*>(data), size) != tinyxml2::XML_SUCCESS) {
    return true;  // the run stops at the load error
  }
  tlmaper::WorldModel world;
  tlmaper::ReadIslands(document, world);
  const int64_t width = CanvasSide(world.bounds.minX, world.bounds.maxX);
  const int64_t height = CanvasSide(world.bounds.minY, world.bounds.maxY);
  return width <= 0 || height <= 0 || width * height <= MaxCanvasPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!CanvasIsSmall(data, size)) return 0;
  const std::string savePath = (WorkDirectory() / "world.xml").string();
  std::FILE* save = std::fopen(savePath.c_str(), "wb");
  if (save == nullptr) std::abort();
  std::fwrite(data, 1, size, save);
  std::fclose(save);
  const char* argv[] = {"tlmaper", savePath.c_str(), nullptr};
  const int status = tlmaper::RunMapper(2, argv);
  if (status != 0 && status != 1) std::abort();
  // Nothing but the save and the two outputs may be left behind.
  for (const auto& entry : fs::directory_iterator(WorkDirectory())) {
    const std::string name = entry.path().filename().string();
    if (name != "world.xml" && name != "world.bmp" && name != "world.html") std::abort();
  }
  return 0;
}
