#include "live/folder_watch.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace tlmaper {

struct FolderWatch {
  int notify = -1;
  int stopSignals = -1;  // a signalfd, readable once Ctrl+C, SIGTERM or SIGHUP came
  int folderWatch = -1;  // the inotify watch of the folder, -1 while the folder is gone
  dev_t device = 0;      // and the folder watched: another one at its path is a new folder
  ino_t inode = 0;
  // The folder above, for the folder's own removal: a removed folder that a process
  // still holds (as its working folder, say) tells nothing of it itself.
  int parentWatch = -1;
  std::string folder;
  std::string folderName;
  std::string fileName;
  // A save that is a symbolic link changes where its target is: the target's folder is
  // watched too (the same watch when it is the same folder), for the target's name.
  int targetWatch = -1;
  std::string targetFolder;
  std::string targetName;
  bool changeDue = false;  // the folder came back: whatever it holds counts as a change
};

namespace {

// While the folder is gone, how often to look whether it is back.
constexpr int FolderLookMs = 500;

// Links followed from the save to its target at most; a loop of links ends there.
constexpr int MaxLinks = 40;

constexpr uint32_t FolderEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_MOVED_TO |
                                  IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF |
                                  IN_ONLYDIR;
constexpr uint32_t ParentEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ONLYDIR;

struct Drained {
  bool relevant = false;       // about the save (or events were lost and any could be)
  bool folderTouched = false;  // about the folder itself
};

// Reads every pending event.
Drained DrainEvents(FolderWatch& watch) {
  alignas(inotify_event) char buffer[16384];
  Drained drained;
  for (;;) {
    const ssize_t size = read(watch.notify, buffer, sizeof buffer);
    if (size <= 0) return drained;
    for (ssize_t at = 0; at < size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      const std::string_view name = event->len > 0 ? event->name : "";
      if (event->mask & IN_Q_OVERFLOW) {
        drained.relevant = drained.folderTouched = true;
      } else {
        // One watch may be two of these: the target's folder can be the save's folder
        // or the one above it.
        if (event->wd == watch.parentWatch) drained.folderTouched |= name == watch.folderName;
        if (event->wd == watch.folderWatch) {
          if (event->mask & IN_IGNORED) watch.folderWatch = -1;  // the system let it go
          drained.folderTouched |=
              (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0;
          drained.relevant |= name == watch.fileName;
        }
        if (event->wd == watch.targetWatch) {
          if (event->mask & IN_IGNORED) watch.targetWatch = -1;
          drained.relevant |= name == watch.targetName;
        }
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

bool AddFolderWatch(FolderWatch& watch) {
  watch.folderWatch = inotify_add_watch(watch.notify, watch.folder.c_str(), FolderEvents);
  struct stat status;
  if (watch.folderWatch >= 0 && stat(watch.folder.c_str(), &status) == 0) {
    watch.device = status.st_dev;
    watch.inode = status.st_ino;
  }
  return watch.folderWatch >= 0;
}

// Where the save's path ends after every symbolic link on the way is followed; empty
// when the save is no link (or the links loop).
std::filesystem::path LinkTarget(const std::filesystem::path& save) {
  std::filesystem::path path = save;
  std::error_code error;
  for (int links = 0; links < MaxLinks; ++links) {
    if (!std::filesystem::is_symlink(path, error)) {
      if (links == 0) return {};
      // The folders on the way may be links too.
      const std::filesystem::path folder =
          std::filesystem::weakly_canonical(path.parent_path(), error);
      return error ? path : folder / path.filename();
    }
    const std::filesystem::path next = std::filesystem::read_symlink(path, error);
    if (error) return {};
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return {};
}

// Watches the folder of the save's target, when the save is a link, in place of the
// target watched before (the link may have been pointed elsewhere since).
void FollowLinkTarget(FolderWatch& watch) {
  const std::filesystem::path target =
      LinkTarget(std::filesystem::path(watch.folder) / watch.fileName);
  const std::string folder = target.empty() ? std::string() : target.parent_path().string();
  const std::string name = target.empty() ? std::string() : target.filename().string();
  if (folder == watch.targetFolder && name == watch.targetName && watch.targetWatch >= 0) return;
  // The save's folder, or the one above it, is the same watch, which stays.
  if (watch.targetWatch >= 0 && watch.targetWatch != watch.folderWatch &&
      watch.targetWatch != watch.parentWatch) {
    inotify_rm_watch(watch.notify, watch.targetWatch);
  }
  watch.targetWatch = -1;
  watch.targetFolder = folder;
  watch.targetName = name;
  if (!folder.empty()) {
    // Added to what an existing watch of that folder asks for, not in its place.
    watch.targetWatch = inotify_add_watch(watch.notify, folder.c_str(), FolderEvents | IN_MASK_ADD);
  }
}

// Whether the folder watched is no longer at its path; its watch is then let go.
bool FolderLeft(FolderWatch& watch) {
  struct stat status;
  if (watch.folderWatch >= 0 && stat(watch.folder.c_str(), &status) == 0 &&
      status.st_dev == watch.device && status.st_ino == watch.inode) {
    return false;
  }
  if (watch.folderWatch >= 0) inotify_rm_watch(watch.notify, watch.folderWatch);
  if (watch.targetWatch == watch.folderWatch) watch.targetWatch = -1;
  watch.folderWatch = -1;
  return true;
}

}  // namespace

FolderWatchHandle WatchFolder(const std::string& folder, const std::string& fileName) {
  FolderWatchHandle watch(new FolderWatch);
  watch->folder = folder;
  watch->fileName = fileName;
  watch->notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch->notify < 0 || !AddFolderWatch(*watch)) return nullptr;
  // "/a/b/" and "/a/b" are both the folder b in /a.
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash + 1 < path.size()) {
    watch->folderName = path.substr(slash + 1);
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    watch->parentWatch = inotify_add_watch(watch->notify, parent.c_str(), ParentEvents);
  }
  FollowLinkTarget(*watch);
  return watch;
}

WatchResult WaitForChange(FolderWatch& watch, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  if (watch.changeDue) {
    watch.changeDue = false;
    return WatchResult::Changed;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  pollfd fds[2] = {{watch.stopSignals, POLLIN, 0}, {watch.notify, POLLIN, 0}};
  for (;;) {
    int wait = timeoutMs;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      wait = static_cast<int>(std::max<int64_t>(0, left.count()));
    }
    const bool gone = watch.folderWatch < 0;
    if (gone && (wait < 0 || wait > FolderLookMs)) wait = FolderLookMs;
    const int ready = poll(fds, 2, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[0].revents & POLLIN)) return WatchResult::Stopped;
    if (gone) {
      DrainEvents(watch);
      if (AddFolderWatch(watch)) {
        FollowLinkTarget(watch);
        watch.changeDue = true;
        return WatchResult::Back;
      }
      if (timeoutMs >= 0 && Clock::now() >= deadline) return WatchResult::Quiet;
      continue;
    }
    if (ready == 0) return WatchResult::Quiet;
    const Drained drained = DrainEvents(watch);
    if ((drained.folderTouched || drained.relevant) && FolderLeft(watch)) return WatchResult::Gone;
    if (drained.relevant) {
      FollowLinkTarget(watch);
      return WatchResult::Changed;
    }
    // Only other files changed: wait on.
  }
}

bool StopAsked(FolderWatch& watch) {
  pollfd stop = {watch.stopSignals, POLLIN, 0};
  return watch.stopSignals >= 0 && poll(&stop, 1, 0) > 0 && (stop.revents & POLLIN);
}

void StopWatchOnSignals(FolderWatch& watch) {
  // Held back in every thread (the server's are started later and inherit this), the
  // signals wait in the signalfd until the watch sees them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  // Closing the terminal: the tool stops as cleanly as on Ctrl+C.
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  watch.stopSignals = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

void FolderWatchDeleter::operator()(FolderWatch* watch) const {
  for (const int fd : {watch->notify, watch->stopSignals}) {
    if (fd >= 0) close(fd);
  }
  delete watch;
}

}  // namespace tlmaper
