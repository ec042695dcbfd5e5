#include "live/follow_save.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <system_error>

#include "base/platform_files.h"

namespace tlmaper {
namespace {

// How long the save must stay the same before it is read. Games write a save in well
// under this; a write that pauses longer is read early, fails, and is read again at
// its next change.
constexpr int QuietMs = 150;

}  // namespace

SaveStamp ReadSaveStamp(const std::string& savePath) {
#ifdef _WIN32
  // Read from the system, whose times count tenths of microseconds: the standard
  // library's count whole seconds there, and a save written again within the second
  // at the same size would look unchanged.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(PathFromUtf8(savePath).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return SaveStamp{};
  }
  SaveStamp stamp;
  stamp.exists = true;
  stamp.size = (uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  stamp.writeTime = static_cast<int64_t>((uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                         data.ftLastWriteTime.dwLowDateTime);
  return stamp;
#else
  const std::filesystem::path path = PathFromUtf8(savePath);
  std::error_code error;
  SaveStamp stamp;
  stamp.size = std::filesystem::file_size(path, error);
  if (error) return SaveStamp{};
  const auto time = std::filesystem::last_write_time(path, error);
  if (error) return SaveStamp{};
  stamp.exists = true;
  stamp.writeTime = static_cast<int64_t>(time.time_since_epoch().count());
  return stamp;
#endif
}

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
