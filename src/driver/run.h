// One run of the tool: checks the argument, reads the save file, writes <stem>.bmp and
// <stem>.html beside it, and gives the exit status.
#pragma once

#include <cstdio>
#include <string>

namespace tlmaper {

enum ExitStatus : int {
  ExitSuccess = 0,  // both files written (warnings aside), or the usage or version asked for
  ExitFailure = 1,  // the save did not load or is no save, or an output was not made in full
  ExitUsage = 2,    // not exactly one argument
};

int RunMapper(int argc, const char* const* argv);

// Maps one save as a run of the tool does, printing its messages; the exit status.
// The save's load errors start with `messagePrefix`.
int MapSaveFile(const std::string& savePath, const std::string& messagePrefix);

// Prints one line, and flushes it at once.
void PrintLine(std::FILE* stream, const std::string& line);

// The three lines printed for a command line the tool cannot use.
void PrintUsage();

}  // namespace tlmaper
