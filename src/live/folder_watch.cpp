#include "live/folder_watch.h"

#ifdef _WIN32
#include <windows.h>

#include "base/platform_files.h"
#else
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#endif

namespace tlmaper {

#ifdef _WIN32

struct FolderWatch {
  HANDLE change = INVALID_HANDLE_VALUE;
  HANDLE stop = nullptr;      // set by a stop request
  HANDLE finished = nullptr;  // set once the watch is closed, to let a closing console go
};

namespace {

FolderWatch* signalledWatch = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  FolderWatch* watch = signalledWatch;
  if (watch == nullptr) return FALSE;
  SetEvent(watch->stop);
  // The process ends as soon as this returns for a closing console: wait until the
  // watch is closed, so that the outputs are whole and the temporary files gone.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(watch->finished, 4000);
  }
  return TRUE;
}

}  // namespace

FolderWatchHandle WatchFolder(const std::string& folder, const std::string&) {
  FolderWatchHandle watch(new FolderWatch);
  watch->change = FindFirstChangeNotificationW(
      PathFromUtf8(folder).c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
  watch->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  watch->finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (watch->change == INVALID_HANDLE_VALUE || !watch->stop || !watch->finished) return nullptr;
  return watch;
}

WatchResult WaitForChange(FolderWatch& watch, int timeoutMs) {
  const HANDLE handles[2] = {watch.stop, watch.change};
  const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  switch (WaitForMultipleObjects(2, handles, FALSE, wait)) {
    case WAIT_OBJECT_0 + 1:
      FindNextChangeNotification(watch.change);
      return WatchResult::Changed;
    case WAIT_TIMEOUT:
      return WatchResult::Quiet;
    default:
      return WatchResult::Stopped;
  }
}

void StopWatchOnSignals(FolderWatch& watch) {
  signalledWatch = &watch;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void FolderWatchDeleter::operator()(FolderWatch* watch) const {
  if (signalledWatch == watch) SetEvent(watch->finished);
  if (watch->change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(watch->change);
  // The events stay: a console handler may still be waiting on one as the process ends.
  delete watch;
}

#else

struct FolderWatch {
  int notify = -1;
  int stopSignals = -1;  // a signalfd, readable once Ctrl+C or SIGTERM came
  std::string fileName;
};

namespace {

// Reads every pending event; true when one is about `fileName`, or when events were
// lost and any could have been.
bool DrainEvents(const FolderWatch& watch) {
  alignas(inotify_event) char buffer[16384];
  bool relevant = false;
  for (;;) {
    const ssize_t size = read(watch.notify, buffer, sizeof buffer);
    if (size <= 0) return relevant;
    for (ssize_t at = 0; at < size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if ((event->mask & IN_Q_OVERFLOW) || (event->len > 0 && watch.fileName == event->name)) {
        relevant = true;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

}  // namespace

FolderWatchHandle WatchFolder(const std::string& folder, const std::string& fileName) {
  FolderWatchHandle watch(new FolderWatch);
  watch->fileName = fileName;
  watch->notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch->notify < 0) return nullptr;
  const uint32_t events =
      IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
  if (inotify_add_watch(watch->notify, folder.c_str(), events | IN_ONLYDIR) < 0) return nullptr;
  return watch;
}

WatchResult WaitForChange(FolderWatch& watch, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  pollfd fds[2] = {{watch.stopSignals, POLLIN, 0}, {watch.notify, POLLIN, 0}};
  for (;;) {
    int wait = timeoutMs;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      wait = static_cast<int>(std::max<int64_t>(0, left.count()));
    }
    const int ready = poll(fds, 2, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[0].revents & POLLIN)) return WatchResult::Stopped;
    if (ready == 0) return WatchResult::Quiet;
    if (DrainEvents(watch)) return WatchResult::Changed;
    // Only other files changed: wait on.
  }
}

void StopWatchOnSignals(FolderWatch& watch) {
  // Held back in every thread (the server's are started later and inherit this), the
  // two signals wait in the signalfd until the watch sees them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  watch.stopSignals = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

void FolderWatchDeleter::operator()(FolderWatch* watch) const {
  for (const int fd : {watch->notify, watch->stopSignals}) {
    if (fd >= 0) close(fd);
  }
  delete watch;
}

#endif

}  // namespace tlmaper
