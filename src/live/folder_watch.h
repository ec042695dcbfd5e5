// Notifications of changes in one folder, from the platform (inotify on Linux, reads of
// the folder's changes on Windows), and the stop request of Ctrl+C, SIGTERM, SIGHUP or closing
// the console, which wakes the same wait. Nothing here polls, except while the folder
// is gone. Each platform has its own file: folder_watch_posix.cpp, folder_watch_windows.cpp.
#pragma once

#include <memory>
#include <string>

namespace tlmaper {

struct FolderWatch;
struct FolderWatchDeleter {
  void operator()(FolderWatch* watch) const;
};
using FolderWatchHandle = std::unique_ptr<FolderWatch, FolderWatchDeleter>;

// Watches `folder` for files that are created, written, renamed or removed; only those
// named `fileName` count where the platform names them. A folder that is removed is
// waited for, and watched again once it is back. On Linux, when `fileName` is a
// symbolic link, the folder of the file it leads to is watched for that file too.
// Null when the folder cannot be watched.
FolderWatchHandle WatchFolder(const std::string& folder, const std::string& fileName);

enum class WatchResult {
  Changed,  // something changed (perhaps the file; the caller looks)
  Quiet,    // the time ran out with no change
  Stopped,  // a stop was asked for; every later wait says so too
  Gone,     // the folder was removed or moved away; the wait goes on for it to come back
  Back,     // the folder is there again and watched; the next wait says Changed at once
};

// Waits for a change, at most `timeoutMs` milliseconds (a negative time: no limit).
WatchResult WaitForChange(FolderWatch& watch, int timeoutMs);

// Whether a stop has been asked for, without waiting and without taking any change.
bool StopAsked(FolderWatch& watch);

// From now on, Ctrl+C, SIGTERM, SIGHUP and closing the console ask `watch` to stop instead of
// ending the process. One watch at a time.
void StopWatchOnSignals(FolderWatch& watch);

}  // namespace tlmaper
