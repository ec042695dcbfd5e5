#include "base/platform_files.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tlmaper {
namespace {

// UTF-16 from UTF-8; bytes that are not UTF-8 become U+FFFD, so such a name simply
// names no existing file.
std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

size_t FindBytes(std::string_view text, std::string_view pattern, size_t from) {
  if (from > text.size()) return std::string_view::npos;
  return text.find(pattern, from);
}

std::filesystem::path PathFromUtf8(std::string_view path) {
  return std::filesystem::path(WideFromUtf8(path));
}

size_t FileNameStart(std::string_view path) {
  const size_t separator = path.find_last_of("/\\");
  if (separator != std::string_view::npos) return separator + 1;
  // "C:world.xml" names world.xml in drive C's current directory.
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

namespace {

// A stream over a file opened with `CreateFileW`; null (and the file closed) when the
// C library cannot take it.
std::FILE* StreamOver(HANDLE handle, int flags, const char* mode) {
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, mode);
  if (stream == nullptr) _close(descriptor);
  return stream;
}

// The files made by CreateNewFile and not yet renamed or removed; once they are
// abandoned, no more are made or renamed.
std::mutex newFilesMutex;
std::vector<std::wstring> newFiles;
bool newFilesAbandoned = false;

void ForgetNewFile(const std::wstring& path) {
  std::erase(newFiles, path);
}

}  // namespace

std::FILE* OpenFileForReading(const std::string& path) {
  // Shared for writing, renaming and removal, so that a game that saves again while the
  // file is read is not refused.
  const HANDLE handle =
      CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return StreamOver(handle, _O_RDONLY | _O_BINARY, "rb");
}

std::FILE* CreateNewFile(const std::string& path, bool& exists) {
  const std::wstring widePath = WideFromUtf8(path);
  std::lock_guard lock(newFilesMutex);
  exists = false;
  if (newFilesAbandoned) return nullptr;
  // Shared for removal, so that AbandonNewFiles can remove it while it is being written.
  const HANDLE handle = CreateFileW(widePath.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return nullptr;
  }
  std::FILE* stream = StreamOver(handle, _O_WRONLY | _O_BINARY, "wb");
  if (stream == nullptr) {
    DeleteFileW(widePath.c_str());
    return nullptr;
  }
  newFiles.push_back(widePath);
  return stream;
}

bool RenameOver(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = WideFromUtf8(from);
  std::lock_guard lock(newFilesMutex);
  if (newFilesAbandoned) return false;
  // The finished file is an ordinary one: it loses the hidden mark before it is moved.
  SetFileAttributesW(wideFrom.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!MoveFileExW(wideFrom.c_str(), WideFromUtf8(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return false;
  }
  ForgetNewFile(wideFrom);
  return true;
}

void RemoveFile(const std::string& path) {
  const std::wstring widePath = WideFromUtf8(path);
  std::lock_guard lock(newFilesMutex);
  ForgetNewFile(widePath);
  _wremove(widePath.c_str());
}

void AbandonNewFiles() {
  std::lock_guard lock(newFilesMutex);
  newFilesAbandoned = true;
  for (const std::wstring& path : newFiles) DeleteFileW(path.c_str());
  newFiles.clear();
}

unsigned long CurrentProcessId() {
  return GetCurrentProcessId();
}

}  // namespace tlmaper
