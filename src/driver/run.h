// One run of the tool: reads the save file, writes <stem>.bmp and <stem>.html beside
// it, and gives the exit status.
#pragma once

#include <string>

#include "driver/command_line.h"

namespace tlmaper {

// Maps one save as a run of the tool does, printing its messages; the exit status.
// The save's load errors start with `messagePrefix`.
int MapSaveFile(const SavePaths& paths, const std::string& messagePrefix);

}  // namespace tlmaper
