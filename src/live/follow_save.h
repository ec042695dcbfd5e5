// Following a save file through the changes in its folder: a change counts once the
// file has stopped changing, so that a save still being written is not read half-way.
#pragma once

#include <cstdint>
#include <string>

#include "live/folder_watch.h"

namespace tlmaper {

// What a save looks like from outside; a new one differs in one of these.
struct SaveStamp {
  bool exists = false;
  uintmax_t size = 0;
  int64_t writeTime = 0;  // in the file system's own units
  bool operator==(const SaveStamp&) const = default;
};

SaveStamp ReadSaveStamp(const std::string& savePath);

enum class SaveNews {
  NewSave,     // `last` is the new save's stamp
  FolderGone,  // the save's folder went; it is waited for
  FolderBack,  // and came back; what it holds is looked at next
  Stopped,     // a stop was asked for
};

// Waits until the save differs from `last` and has then stayed the same for a moment
// (`last` becomes the new stamp), or the save's folder goes or comes back.
SaveNews WaitForNewSave(FolderWatch& watch, const std::string& savePath, SaveStamp& last);

}  // namespace tlmaper
