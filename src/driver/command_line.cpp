#include "driver/command_line.h"

#include <optional>
#include <string_view>

#include "base/message_line.h"
#include "base/text.h"

namespace tlmaper {

SavePaths SavePathsFor(const std::string& savePath) {
  const std::string stem = FileStem(savePath);
  return {savePath, stem + ".bmp", stem + ".html", stem + ".notes.json"};
}

namespace {

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
CommandLine ParseLive(int argc, const char* const* argv) {
  CommandLine live;
  bool haveSave = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--no-open") {
      live.openBrowser = false;
    } else if (argument == "--port" && i + 1 < argc) {
      const std::optional<int> port = ParsePort(argv[++i]);
      if (!port) return {};
      live.port = *port;
    } else if (argument.starts_with("--") || haveSave) {
      return {};
    } else {
      live.paths = SavePathsFor(std::string(argument));
      haveSave = true;
    }
  }
  if (!haveSave) return {};
  live.action = Action::Live;
  return live;
}

std::string VersionLine() {
  return std::string("Tidelorn Mapper v") + TLMAPER_VERSION;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "--live") return ParseLive(argc, argv);
  CommandLine command;
  if (argc != 2) return command;
  const std::string_view argument = argv[1];
  // Asked for, the usage and the version are answers, not errors.
  if (argument == "-h" || argument == "--help") {
    command.action = Action::Help;
  } else if (argument == "--version") {
    command.action = Action::Version;
  } else {
    command.action = Action::Map;
    command.paths = SavePathsFor(std::string(argument));
  }
  return command;
}

void PrintLine(std::FILE* stream, const std::string& line) {
  PrintMessageLine(stream, line);
}

void PrintUsage() {
  PrintLine(stdout, VersionLine());
  PrintLine(stdout, "Usage:");
  PrintLine(stdout, "tlmaper.exe savefile.xml");
}

void PrintHelp() {
  PrintUsage();
  PrintLine(stdout, "  -h, --help   print this help");
  PrintLine(stdout, "  --version    print the version");
  PrintLine(stdout,
            "  --live       serve the map on this computer, updated each time the save changes");
  PrintLine(stdout, "  --port N     with --live: serve on port N, or the next free one (default " +
                        std::to_string(DefaultLivePort) + ")");
  PrintLine(stdout, "  --no-open    with --live: do not open the map in the browser");
}

void PrintVersion() {
  PrintLine(stdout, VersionLine());
}

}  // namespace tlmaper
