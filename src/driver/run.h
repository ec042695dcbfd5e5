// One run of the tool: reads the save file, writes <stem>.bmp and <stem>.html beside
// it, and gives the exit status.
#pragma once

#include <string>

#include "driver/command_line.h"
#include "live/server.h"

namespace tlmaper {

// Maps one save as a run of the tool does, printing its messages; the exit status.
// Every line it prints starts with `messagePrefix`.
// A run that fails sets `failure`, when given, to what failed.
int MapSaveFile(const SavePaths& paths, const std::string& messagePrefix,
                MapFailure* failure = nullptr);

}  // namespace tlmaper
