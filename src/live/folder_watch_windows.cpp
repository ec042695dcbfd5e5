#include "live/folder_watch.h"

#include <windows.h>

#include <atomic>
#include <cstddef>

#include "base/platform_files.h"

namespace tlmaper {
namespace {

// What one read of the folder's changes can name: past this, the system says only that
// there were too many to name.
constexpr DWORD ChangeBufferWords = 8192;

}  // namespace

struct FolderWatch {
  HANDLE folderHandle = INVALID_HANDLE_VALUE;  // open while the folder is watched
  OVERLAPPED read = {};       // the read of the folder's changes; its event is set once it ends
  bool reading = false;       // a read is under way
  HANDLE stop = nullptr;      // set by a stop request
  HANDLE finished = nullptr;  // set once the watch is closed, to let a closing console go
  std::wstring folder;
  std::wstring fileName;
  // The folder watched, by its volume and index: another one at its path is a new folder.
  bool identified = false;
  BY_HANDLE_FILE_INFORMATION identity = {};
  bool gone = false;       // not watched because the folder is gone (else its watch failed)
  bool changeDue = false;  // the folder came back: whatever it holds counts as a change
  DWORD changes[ChangeBufferWords];  // the names changed, laid out as the system writes them
};

namespace {

// While the folder is not watched, how often to look whether it can be again.
constexpr DWORD FolderLookMs = 500;

// How long a closing console waits for the run under way to finish before its
// temporary files are given up. The system ends the process about 5 s after the
// console closes.
constexpr DWORD CloseWaitMs = 3000;

bool FolderExists(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the folder watched is still the one at its path.
bool FolderStillThere(const FolderWatch& watch) {
  if (!watch.identified) return FolderExists(watch.folder);
  const HANDLE handle = CreateFileW(watch.folder.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION now;
  const bool same = GetFileInformationByHandle(handle, &now) &&
                    (now.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    now.dwVolumeSerialNumber == watch.identity.dwVolumeSerialNumber &&
                    now.nFileIndexHigh == watch.identity.nFileIndexHigh &&
                    now.nFileIndexLow == watch.identity.nFileIndexLow;
  CloseHandle(handle);
  return same;
}

bool ReadChanges(FolderWatch& watch) {
  ResetEvent(watch.read.hEvent);
  watch.reading =
      ReadDirectoryChangesW(
          watch.folderHandle, watch.changes, sizeof watch.changes, FALSE,
          FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE,
          nullptr, &watch.read, nullptr) != 0;
  return watch.reading;
}

void StopWatching(FolderWatch& watch) {
  if (watch.folderHandle == INVALID_HANDLE_VALUE) return;
  if (watch.reading) {
    // The system writes into the buffer until the read has ended.
    CancelIoEx(watch.folderHandle, &watch.read);
    DWORD size = 0;
    GetOverlappedResult(watch.folderHandle, &watch.read, &size, TRUE);
    watch.reading = false;
  }
  CloseHandle(watch.folderHandle);
  watch.folderHandle = INVALID_HANDLE_VALUE;
}

// Opens the folder (sharing it fully, so that it can still be renamed or removed) and
// starts reading its changes.
bool StartWatching(FolderWatch& watch) {
  watch.folderHandle =
      CreateFileW(watch.folder.c_str(), FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (watch.folderHandle == INVALID_HANDLE_VALUE) return false;
  watch.identified = GetFileInformationByHandle(watch.folderHandle, &watch.identity) != 0;
  if (ReadChanges(watch)) return true;
  StopWatching(watch);
  return false;
}

// Whether the `size` bytes of changes read name the file (in any case, as Windows
// names match).
bool NamesTheFile(const FolderWatch& watch, DWORD size) {
  const auto* bytes = reinterpret_cast<const BYTE*>(watch.changes);
  for (DWORD at = 0; at + sizeof(FILE_NOTIFY_INFORMATION) <= size;) {
    const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes + at);
    const DWORD nameEnd = at + offsetof(FILE_NOTIFY_INFORMATION, FileName) + change->FileNameLength;
    if (nameEnd > size) break;
    const int length = static_cast<int>(change->FileNameLength / sizeof(WCHAR));
    if (CompareStringOrdinal(change->FileName, length, watch.fileName.c_str(),
                             static_cast<int>(watch.fileName.size()), TRUE) == CSTR_EQUAL) {
      return true;
    }
    if (change->NextEntryOffset == 0) break;
    at += change->NextEntryOffset;
  }
  return false;
}

enum class Taken { Other, File, Failed };

// Takes the changes of the read that ended and starts the next read.
Taken TakeChanges(FolderWatch& watch) {
  DWORD size = 0;
  const bool read = GetOverlappedResult(watch.folderHandle, &watch.read, &size, FALSE) != 0;
  watch.reading = false;
  // More changes than the buffer holds are not named: any of them may be the file's.
  const bool tooMany = read ? size == 0 : GetLastError() == ERROR_NOTIFY_ENUM_DIR;
  if (!read && !tooMany) return Taken::Failed;
  const bool file = tooMany || NamesTheFile(watch, size);
  if (!ReadChanges(watch)) return Taken::Failed;
  return file ? Taken::File : Taken::Other;
}

// The events of the watch that stops on signals, for the console handler. They are
// never closed, so that a handler running as the watch goes still finds them.
std::atomic<HANDLE> signalledStop = nullptr;
std::atomic<HANDLE> signalledFinished = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (signalledStop == nullptr) return FALSE;
  SetEvent(signalledStop);
  // The process ends as soon as this returns for a closing console, and a few seconds
  // later in any case: the run under way gets what time there is to finish, and a run
  // that cannot finish in it is given up, its temporary files removed, the last whole
  // outputs left in place.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    if (WaitForSingleObject(signalledFinished, CloseWaitMs) != WAIT_OBJECT_0) {
      AbandonNewFiles();
    }
  }
  return TRUE;
}

}  // namespace

FolderWatchHandle WatchFolder(const std::string& folder, const std::string& fileName) {
  FolderWatchHandle watch(new FolderWatch);
  watch->folder = PathFromUtf8(folder).wstring();
  watch->fileName = PathFromUtf8(fileName).wstring();
  watch->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  watch->finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  watch->read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!watch->stop || !watch->finished || !watch->read.hEvent || !StartWatching(*watch)) {
    return nullptr;
  }
  return watch;
}

WatchResult WaitForChange(FolderWatch& watch, int timeoutMs) {
  if (watch.changeDue) {
    watch.changeDue = false;
    return WatchResult::Changed;
  }
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    DWORD wait = INFINITE;
    if (timeoutMs >= 0) {
      const ULONGLONG spent = GetTickCount64() - start;
      wait = spent >= static_cast<ULONGLONG>(timeoutMs) ? 0 : static_cast<DWORD>(timeoutMs - spent);
    }
    if (watch.folderHandle == INVALID_HANDLE_VALUE) {
      // Not watched: tried again after a pause, so that a watch that keeps failing cannot
      // keep this loop busy, with a stop waited for meanwhile.
      const DWORD look = wait < FolderLookMs ? wait : FolderLookMs;
      if (WaitForSingleObject(watch.stop, look) != WAIT_TIMEOUT) return WatchResult::Stopped;
      if (look < FolderLookMs) return WatchResult::Quiet;
      if (StartWatching(watch)) {
        // The file may have changed while nothing watched it.
        if (!watch.gone) return WatchResult::Changed;
        watch.gone = false;
        watch.changeDue = true;
        return WatchResult::Back;
      }
      if (watch.gone) continue;
      if (!FolderExists(watch.folder)) {
        watch.gone = true;
        return WatchResult::Gone;
      }
      // The folder is there but cannot be watched: the caller looks at the file after
      // each pause instead.
      return WatchResult::Changed;
    }
    const HANDLE handles[2] = {watch.stop, watch.read.hEvent};
    switch (WaitForMultipleObjects(2, handles, FALSE, wait)) {
      case WAIT_OBJECT_0 + 1: {
        const Taken taken = TakeChanges(watch);
        // A folder removed or moved away (perhaps with another made in its place) cannot
        // be watched on: it is let go, and the folder at its path waited for. A watch that
        // fails with the folder still there is let go too, and tried again after a pause.
        const bool there = FolderStillThere(watch);
        if (taken == Taken::Failed || !there) {
          StopWatching(watch);
          watch.gone = !there;
          return watch.gone ? WatchResult::Gone : WatchResult::Changed;
        }
        if (taken == Taken::File) return WatchResult::Changed;
        // Only other files changed: wait on.
        continue;
      }
      case WAIT_TIMEOUT:
        return WatchResult::Quiet;
      default:
        return WatchResult::Stopped;
    }
  }
}

bool StopAsked(FolderWatch& watch) {
  return WaitForSingleObject(watch.stop, 0) == WAIT_OBJECT_0;
}

void StopWatchOnSignals(FolderWatch& watch) {
  signalledStop = watch.stop;
  signalledFinished = watch.finished;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void FolderWatchDeleter::operator()(FolderWatch* watch) const {
  if (signalledFinished == watch->finished) SetEvent(watch->finished);
  StopWatching(*watch);
  CloseHandle(watch->read.hEvent);
  // The other events stay: a console handler may still use them as the process ends.
  delete watch;
}

}  // namespace tlmaper
