#include "driver/run.h"

#include <tinyxml2.h>

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "driver/text.h"
#include "page/layers.h"
#include "page/page.h"
#include "raster/render.h"
#include "save/reader.h"

namespace tlmaper {
namespace {

constexpr const char* VersionText = "1.0.0";

void PrintLine(std::FILE* stream, const std::string& line) {
  std::fputs(line.c_str(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

void PrintUsage() {
  PrintLine(stdout, std::string("Tidelorn Mapper v") + VersionText);
  PrintLine(stdout, "Usage:");
  PrintLine(stdout, "tlmaper.exe savefile.xml");
}

// True when writing `outputPath` would replace the save file itself (the same name,
// or another name for the same file).
bool WouldOverwriteSave(const std::string& savePath, const std::string& outputPath) {
  std::error_code error;
  return savePath == outputPath || std::filesystem::equivalent(savePath, outputPath, error);
}

// Runs `work` on a new thread, or right here when no thread can be had. The thread
// is joined when the result goes, also when the run is cut short.
template <typename Work>
std::jthread StartThread(Work work) {
  try {
    return std::jthread(work);
  } catch (const std::system_error&) {
    work();
    return std::jthread();
  }
}

// The steps after a successful load. Every step runs even when an earlier one failed;
// a failure only changes the exit status.
int WriteOutputs(const tinyxml2::XMLDocument& document, const std::string& savePath) {
  const std::string stem = FileStem(savePath);
  const std::string imagePath = stem + ".bmp";
  const std::string pagePath = stem + ".html";
  for (const std::string& output : {imagePath, pagePath}) {
    if (WouldOverwriteSave(savePath, output)) {
      PrintLine(stderr, "Error: output file " + output + " would overwrite the save file");
      return ExitFailure;
    }
  }

  int status = ExitSuccess;
  WorldModel world;
  ReadIslands(document, world);
  ReadShips(document, world);
  // The marker layers need only the islands and ships, and print nothing: they are
  // built on a second thread while the map is drawn and written.
  MarkerLayers layers;
  bool outOfMemory = false;
  std::jthread layerBuilder = StartThread([&] {
    try {
      layers = MakeMarkerLayers(world.islands, world.ships);
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    }
  });
  {
    // The canvas is the run's largest allocation; it is released as soon as it is
    // written, before the page is filled.
    RasterImage map;
    if (!RenderMap(world.islands, world.ships, world.bounds, map)) status = ExitFailure;
    ReadPlayer(document, world);
    if (!map.BmpWriter(imagePath)) status = ExitFailure;
  }

  PageTemplate page = LoadPageTemplate();
  FillWorldPlaceholders(page, world.player, world.bounds, imagePath);
  if (layerBuilder.joinable()) layerBuilder.join();
  if (outOfMemory) throw std::bad_alloc();
  FillMarkerLayers(page, std::move(layers));
  if (!WritePage(page, pagePath)) status = ExitFailure;
  return status;
}

int MapSave(const std::string& savePath) {
  tinyxml2::XMLDocument document;
  const int loadError = LoadSaveDocument(document, savePath);
  if (loadError != 0) {
    PrintLine(stderr, "Error " + FormatInt(loadError) + " parsing xml file");
    return ExitFailure;
  }
  return WriteOutputs(document, savePath);
}

}  // namespace

int RunMapper(int argc, const char* const* argv) {
  if (argc != 2) {
    PrintUsage();
    return ExitUsage;
  }
  const std::string savePath = argv[1];
  // Memory running out is the one failure that can reach this far; the outputs are
  // then left as they were (a file being written is discarded as the run unwinds).
  try {
    return MapSave(savePath);
  } catch (const std::bad_alloc&) {
    PrintLine(stderr, "Error: not enough memory to map " + savePath);
    return ExitFailure;
  }
}

}  // namespace tlmaper
