#include "driver/live_run.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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

struct LiveOptions {
  std::string savePath;
  int port = DefaultLivePort;
  bool openBrowser = true;
};

std::optional<int> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

// The options after "--live", in any order, and exactly one save.
std::optional<LiveOptions> ParseLiveOptions(int argc, const char* const* argv) {
  LiveOptions options;
  bool haveSave = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--no-open") {
      options.openBrowser = false;
    } else if (argument == "--port" && i + 1 < argc) {
      const std::optional<int> port = ParsePort(argv[++i]);
      if (!port) return std::nullopt;
      options.port = *port;
    } else if (argument.starts_with("--") || haveSave) {
      return std::nullopt;
    } else {
      options.savePath = argument;
      haveSave = true;
    }
  }
  if (!haveSave) return std::nullopt;
  return options;
}

// The map just written, read back as the server holds it.
bool ReadLiveMap(const std::string& savePath, LiveMap& map) {
  const std::string stem = FileStem(savePath);
  const std::string imagePath = stem + ".bmp";
  auto page = std::make_shared<const std::string>(ReadWholeFile(stem + ".html"));
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

// Maps the save at `savePath` (a path from the root) each time it changes, until a stop
// is asked for. A run that fails leaves the last good map served; the pages are told
// the save could not be read.
void FollowSave(FolderWatch& watch, LiveServer& server, const std::string& savePath,
                SaveStamp stamp) {
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
    if (IsOtherThanFile(savePath)) {
      PrintLine(stderr, time + " Error: " + savePath + " is not a file");
    } else if (MapSaveFile(savePath, time + " ") == ExitSuccess && ReadLiveMap(savePath, map)) {
      PublishMap(server, std::move(map));
      continue;
    }
    PrintLine(stderr, time + " The save could not be mapped; the last good map stays served");
    PublishUnreadableSave(server);
  }
}

}  // namespace

int RunLive(int argc, const char* const* argv) {
  const std::optional<LiveOptions> options = ParseLiveOptions(argc, argv);
  if (!options) {
    PrintUsage();
    return ExitUsage;
  }
  const std::string& savePath = options->savePath;
  const std::string followedPath = AbsolutePath(savePath);
  // Stop requests are taken from the start, so that one during the first run also
  // ends the tool cleanly, after that run.
  FolderWatchHandle watch =
      WatchFolder(FolderOf(followedPath), followedPath.substr(FileNameStart(followedPath)));
  if (watch) StopWatchOnSignals(*watch);
  const SaveStamp stamp = ReadSaveStamp(savePath);
  const int status = MapSaveFile(savePath, "");
  if (status != ExitSuccess) return status;
  if (!watch) {
    PrintLine(stderr, "Error: cannot watch the folder of " + savePath + " for changes");
    return ExitFailure;
  }
  LiveMap map;
  if (!ReadLiveMap(savePath, map)) {
    PrintLine(stderr, "Error: cannot read back the map and page of " + savePath);
    return ExitFailure;
  }
  LiveServerHandle server = StartLiveServer(options->port, std::move(map));
  if (!server) {
    PrintLine(stderr,
              "Error: no free port to serve the map from " + std::to_string(options->port) + " on");
    return ExitFailure;
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(LiveServerPort(*server)) + "/";
  PrintLine(stdout, "Serving the live map at " + url + " (press Ctrl+C to stop)");
  if (options->openBrowser) OpenInBrowser(url);
  FollowSave(*watch, *server, followedPath, stamp);
  // Nothing is being written now: the outputs are whole, whatever a stalled client
  // still holds open.
  if (!StopLiveServer(*server)) {
    std::fflush(nullptr);
    std::_Exit(ExitSuccess);
  }
  return ExitSuccess;
}

}  // namespace tlmaper
