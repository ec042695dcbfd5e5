// One run of the tool: reads the save file and the notes beside it, writes <stem>.bmp
// and <stem>.html beside it, and gives the exit status.
#pragma once

#include <cstdint>
#include <string>

#include "driver/command_line.h"
#include "live/server.h"

namespace tlmaper {

// What a run tells beside its exit status: the name of the world it mapped and where
// the player is in it, or what failed.
struct MapReport {
  MapFailure failure = MapFailure::Read;  // for a run that failed
  std::string worldName;                  // for a run that mapped the save
  int32_t playerX = 0;
  int32_t playerY = 0;
};

// Maps one save as a run of the tool does, printing its messages; the exit status.
// Every line it prints starts with `messagePrefix`. Fills `report` when given.
int MapSaveFile(const SavePaths& paths, const std::string& messagePrefix,
                MapReport* report = nullptr);

// Whether <stem>.notes.json can be a notes file: not when it is the save itself (a save
// named world.notes.json).
bool HasNotesFile(const SavePaths& paths);

}  // namespace tlmaper
