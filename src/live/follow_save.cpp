#include "live/follow_save.h"

namespace tlmaper {
namespace {

// How long the save must stay the same before it is read. Games write a save in well
// under this; a write that pauses longer is read early, fails, and is read again at
// its next change.
constexpr int QuietMs = 150;

}  // namespace

SaveNews WaitForNewSave(FolderWatch& watch, const std::string& savePath, SaveStamp& last) {
  const auto news = [](WatchResult result) {
    return result == WatchResult::Gone   ? SaveNews::FolderGone
           : result == WatchResult::Back ? SaveNews::FolderBack
                                         : SaveNews::Stopped;
  };
  for (;;) {
    const WatchResult first = WaitForChange(watch, -1);
    if (first != WatchResult::Changed) return news(first);
    SaveStamp stamp = ReadSaveStamp(savePath);
    for (;;) {
      const WatchResult result = WaitForChange(watch, QuietMs);
      if (result != WatchResult::Changed && result != WatchResult::Quiet) return news(result);
      const SaveStamp now = ReadSaveStamp(savePath);
      if (result == WatchResult::Quiet && now == stamp) break;
      stamp = now;
    }
    if (!(stamp == last)) {
      last = stamp;
      return SaveNews::NewSave;
    }
  }
}

}  // namespace tlmaper
