// The tool's command line, read once into what the run is asked to do, and the texts
// that answer it (usage, help, version).
#pragma once

#include <cstdio>
#include <string>

namespace tlmaper {

enum ExitStatus : int {
  ExitSuccess = 0,  // both files written (warnings aside), or the usage or version asked for
  ExitFailure = 1,  // the save did not load or is no save, or an output was not made in full
  ExitUsage = 2,    // a command line the tool cannot use
};

// The port a live run serves on unless told otherwise, fixed so that a bookmark of the
// map keeps working.
inline constexpr int DefaultLivePort = 8642;

// The save, the two files made from it and the players' notes, beside it under its stem.
struct SavePaths {
  std::string save;
  std::string image;  // <stem>.bmp
  std::string page;   // <stem>.html
  std::string notes;  // <stem>.notes.json, written by the live map only
};

SavePaths SavePathsFor(const std::string& savePath);

enum class Action { Map, Live, Help, Version, Usage };

struct CommandLine {
  Action action = Action::Usage;
  SavePaths paths;  // for Map and Live
  int port = DefaultLivePort;
  bool openBrowser = true;
};

// `tlmaper save.xml`, `tlmaper -h|--help`, `tlmaper --version`, or
// `tlmaper --live [--port N] [--no-open] save.xml` with the live options in any order.
// Anything else is Usage. A save named like an option is still reached as ./-h.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// Prints one line, and flushes it at once.
void PrintLine(std::FILE* stream, const std::string& line);

// The three lines printed for a command line the tool cannot use.
void PrintUsage();
// The usage followed by one line per option.
void PrintHelp();
void PrintVersion();

}  // namespace tlmaper
