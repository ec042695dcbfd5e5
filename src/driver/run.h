// One run of the tool: checks the argument, reads the save file, writes <stem>.bmp and
// <stem>.html beside it, and gives the exit status.
#pragma once

namespace tlmaper {

enum ExitStatus : int {
  ExitSuccess = 0,  // both files written (warnings aside), or the usage or version asked for
  ExitFailure = 1,  // the save did not load or is no save, or an output was not made in full
  ExitUsage = 2,    // not exactly one argument
};

int RunMapper(int argc, const char* const* argv);

}  // namespace tlmaper
