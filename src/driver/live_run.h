// The live run: `tlmaper --live [--port N] [--no-open] save.xml` maps the save as a run
// does, then serves the map to the browser and maps the save again each time it
// changes, until Ctrl+C, SIGTERM, SIGHUP or the console closing.
#pragma once

namespace tlmaper {

// The port a live run serves on unless told otherwise, fixed so that a bookmark of the
// map keeps working.
inline constexpr int DefaultLivePort = 8642;

// argv[1] is "--live". The exit status: that of the first run when it fails, 2 for
// options it cannot use, else 0 once stopped.
int RunLive(int argc, const char* const* argv);

}  // namespace tlmaper
