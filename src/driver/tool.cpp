#include "driver/tool.h"

#include "driver/command_line.h"
#include "driver/live_run.h"
#include "driver/run.h"

namespace tlmaper {

int RunMapper(int argc, const char* const* argv) {
  const CommandLine command = ParseCommandLine(argc, argv);
  switch (command.action) {
    case Action::Map:
      return MapSaveFile(command.paths, "");
    case Action::Live:
      return RunLive(command);
    case Action::Help:
      PrintHelp();
      return ExitSuccess;
    case Action::Version:
      PrintVersion();
      return ExitSuccess;
    case Action::Usage:
      break;
  }
  PrintUsage();
  return ExitUsage;
}

}  // namespace tlmaper
