// The live run: `tlmaper --live [--port N] [--no-open] save.xml` maps the save as a run
// does, then serves the map to the browser and maps the save again each time it
// changes, until Ctrl+C, SIGTERM, SIGHUP or the console closing.
#pragma once

#include "driver/command_line.h"

namespace tlmaper {

// The exit status: that of the first run when it fails, else 0 once stopped.
int RunLive(const CommandLine& command);

}  // namespace tlmaper
