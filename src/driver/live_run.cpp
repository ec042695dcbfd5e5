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

// The map just written, read back as the server holds it, with the name of its world.
bool ReadLiveMap(const SavePaths& paths, const MapReport& report, LiveMap& map) {
  const std::string& imagePath = paths.image;
  auto page = std::make_shared<const std::string>(ReadWholeFile(paths.page));
  auto image = std::make_shared<const std::string>(ReadWholeFile(imagePath));
  if (page->empty() || image->empty()) return false;
  map.page = std::move(page);
  map.image = std::move(image);
  map.imageName = imagePath.substr(FileNameStart(imagePath));
  map.worldName = report.worldName;
  map.playerX = report.playerX;
  map.playerY = report.playerY;
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

// The save's path from the root, so that it still names the save once the folder it was
// given from (the working folder, say) has been removed and made again.
std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(path), error);
  if (error) return path;
  const std::u8string text = absolute.u8string();
  return std::string(text.begin(), text.end());
}

// Something other than a file (a pipe, a device, a folder) where the save should be:
// reading it could wait for ever or never end.
bool IsOtherThanFile(const std::string& savePath) {
  std::error_code error;
  const std::filesystem::file_status status =
      std::filesystem::status(PathFromUtf8(savePath), error);
  return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

// Maps the save (`paths` from the root) each time it changes, until a stop is asked
// for. A run that fails leaves the last good map served; the pages are told what failed
// (reading the save, drawing its map, or writing the bitmap or page).
void FollowSave(FolderWatch& watch, LiveServer& server, const SavePaths& paths, SaveStamp stamp) {
  const std::string& savePath = paths.save;
  for (;;) {
    const SaveNews news = WaitForNewSave(watch, savePath, stamp);
    const std::string time = TimeOfDay();
    if (news == SaveNews::Stopped) return;
    if (news == SaveNews::FolderGone) {
      PrintLine(stderr, time + " The folder of the save is gone; waiting for it to come back");
      continue;
    }
    if (news == SaveNews::FolderBack) {
      PrintLine(stderr, time + " The folder of the save is back; following the save again");
      continue;
    }
    LiveMap map;
    MapReport report;
    if (IsOtherThanFile(savePath)) {
      PrintLine(stderr, time + " Error: " + savePath + " is not a file");
    } else if (MapSaveFile(paths, time + " ", &report) == ExitSuccess) {
      if (ReadLiveMap(paths, report, map)) {
        PublishMap(server, std::move(map));
        continue;
      }
      report.failure = MapFailure::Write;
    }
    PrintLine(stderr, time + " The save could not be mapped; the last good map stays served");
    PublishFailedMap(server, report.failure);
  }
}

}  // namespace

int RunLive(const CommandLine& command) {
  const std::string& savePath = command.paths.save;
  const SavePaths followed = SavePathsFor(AbsolutePath(savePath));
  const std::string& followedPath = followed.save;
  // Stop requests are taken from the start, so that one during the first run also
  // ends the tool cleanly, after that run.
  FolderWatchHandle watch =
      WatchFolder(FolderOf(followedPath), followedPath.substr(FileNameStart(followedPath)));
  if (watch) StopWatchOnSignals(*watch);
  const SaveStamp stamp = ReadSaveStamp(savePath);
  MapReport report;
  const int status = MapSaveFile(command.paths, "", &report);
  if (status != ExitSuccess) return status;
  if (!watch) {
    PrintLine(stderr, "Error: cannot watch the folder of " + savePath + " for changes");
    return ExitFailure;
  }
  // Stopped during the first run: that run is done, and nothing is served or opened.
  if (StopAsked(*watch)) return ExitSuccess;
  LiveMap map;
  if (!ReadLiveMap(command.paths, report, map)) {
    PrintLine(stderr, "Error: cannot read back the map and page of " + savePath);
    return ExitFailure;
  }
  // The notes the live page keeps go beside the save, which is followed by its full path.
  const std::string notesPath = HasNotesFile(followed) ? followed.notes : std::string();
  LiveServerHandle server = StartLiveServer(command.port, std::move(map), notesPath);
  if (!server) {
    PrintLine(stderr,
              "Error: no free port to serve the map from " + std::to_string(command.port) + " on");
    return ExitFailure;
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(LiveServerPort(*server)) + "/";
  PrintLine(stdout, "Serving the live map at " + url + " (press Ctrl+C to stop)");
  if (command.openBrowser) OpenInBrowser(url);
  FollowSave(*watch, *server, followed, stamp);
  // Nothing is being written now: the outputs are whole, whatever a stalled client
  // still holds open.
  if (!StopLiveServer(*server)) {
    std::fflush(nullptr);
    std::_Exit(ExitSuccess);
  }
  return ExitSuccess;
}

}  // namespace tlmaper
