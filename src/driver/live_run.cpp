#include "driver/live_run.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "base/platform_files.h"
#include "base/text.h"
#include "driver/run.h"
#include "live/folder_watch.h"
#include "live/follow_save.h"
#include "live/open_browser.h"
#include "live/server.h"

namespace tlmaper {
namespace {

// The map just written, read back as the server holds it.
bool ReadLiveMap(const SavePaths& paths, LiveMap& map) {
  const std::string& imagePath = paths.image;
  auto page = std::make_shared<const std::string>(ReadWholeFile(paths.page));
  auto image = std::make_shared<const std::string>(ReadWholeFile(imagePath));
  if (page->empty() || image->empty()) return false;
  map.page = std::move(page);
  map.image = std::move(image);
  map.imageName = imagePath.substr(FileNameStart(imagePath));
  return true;
}

// The local time of day, to put before a message of a later run.
std::string TimeOfDay() {
  const std::time_t now = std::time(nullptr);
  char text[16] = "";
  if (const std::tm* local = std::localtime(&now))
    std::strftime(text, sizeof text, "%H:%M:%S", local);
  return text;
}

std::string FolderOf(const std::string& savePath) {
  const size_t nameStart = FileNameStart(savePath);
  return nameStart == 0 ? std::string(".") : savePath.substr(0, nameStart);
}

// Maps the save each time it changes, until a stop is asked for. A run that fails
// leaves the last good map served; the pages are told the save could not be read.
void FollowSave(FolderWatch& watch, LiveServer& server, const SavePaths& paths, SaveStamp stamp) {
  while (WaitForNewSave(watch, paths.save, stamp)) {
    const std::string time = TimeOfDay();
    LiveMap map;
    if (MapSaveFile(paths, time + " ") == ExitSuccess && ReadLiveMap(paths, map)) {
      PublishMap(server, std::move(map));
    } else {
      PrintLine(stderr, time + " The save could not be mapped; the last good map stays served");
      PublishUnreadableSave(server);
    }
  }
}

}  // namespace

int RunLive(const CommandLine& command) {
  const std::string& savePath = command.paths.save;
  // Stop requests are taken from the start, so that one during the first run also
  // ends the tool cleanly, after that run.
  FolderWatchHandle watch =
      WatchFolder(FolderOf(savePath), savePath.substr(FileNameStart(savePath)));
  if (watch) StopWatchOnSignals(*watch);
  const SaveStamp stamp = ReadSaveStamp(savePath);
  const int status = MapSaveFile(command.paths, "");
  if (status != ExitSuccess) return status;
  if (!watch) {
    PrintLine(stderr, "Error: cannot watch the folder of " + savePath + " for changes");
    return ExitFailure;
  }
  LiveMap map;
  if (!ReadLiveMap(command.paths, map)) {
    PrintLine(stderr, "Error: cannot read back the map and page of " + savePath);
    return ExitFailure;
  }
  LiveServerHandle server = StartLiveServer(command.port, std::move(map));
  if (!server) {
    PrintLine(stderr,
              "Error: no free port to serve the map from " + std::to_string(command.port) + " on");
    return ExitFailure;
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(LiveServerPort(*server)) + "/";
  PrintLine(stdout, "Serving the live map at " + url + " (press Ctrl+C to stop)");
  if (command.openBrowser) OpenInBrowser(url);
  FollowSave(*watch, *server, command.paths, stamp);
  // Nothing is being written now: the outputs are whole, whatever a stalled client
  // still holds open.
  if (!StopLiveServer(*server)) {
    std::fflush(nullptr);
    std::_Exit(ExitSuccess);
  }
  return ExitSuccess;
}

}  // namespace tlmaper
