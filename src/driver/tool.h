// The whole tool behind its entry point: reads the command line and does what it asks
// (a map, a live map, the help or the version); the exit status.
#pragma once

namespace tlmaper {

int RunMapper(int argc, const char* const* argv);

}  // namespace tlmaper
