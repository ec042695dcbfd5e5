#include "base/platform_files.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#endif

namespace tlmaper {

#ifdef _WIN32
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

std::FILE* OpenFileForReading(const std::string& path) {
  return _wfopen(WideFromUtf8(path).c_str(), L"rb");
}

std::FILE* CreateNewFile(const std::string& path, bool& exists) {
  const std::wstring widePath = WideFromUtf8(path);
  const int descriptor =
      _wopen(widePath.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  exists = descriptor < 0 && errno == EEXIST;
  if (descriptor < 0) return nullptr;
  std::FILE* stream = _fdopen(descriptor, "wb");
  if (stream == nullptr) {
    _close(descriptor);
    _wremove(widePath.c_str());
    return nullptr;
  }
  SetFileAttributesW(widePath.c_str(), FILE_ATTRIBUTE_HIDDEN);
  return stream;
}

bool RenameOver(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = WideFromUtf8(from);
  // The finished file is an ordinary one: it loses the hidden mark before it is moved.
  SetFileAttributesW(wideFrom.c_str(), FILE_ATTRIBUTE_NORMAL);
  return MoveFileExW(wideFrom.c_str(), WideFromUtf8(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void RemoveFile(const std::string& path) {
  _wremove(WideFromUtf8(path).c_str());
}

unsigned long CurrentProcessId() {
  return GetCurrentProcessId();
}

#else

size_t FindBytes(std::string_view text, std::string_view pattern, size_t from) {
  if (from > text.size()) return std::string_view::npos;
  const void* hit = memmem(text.data() + from, text.size() - from, pattern.data(), pattern.size());
  if (hit == nullptr) return std::string_view::npos;
  return static_cast<const char*>(hit) - text.data();
}

std::filesystem::path PathFromUtf8(std::string_view path) {
  return std::filesystem::path(path);
}

size_t FileNameStart(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

std::FILE* OpenFileForReading(const std::string& path) {
  // Opened without waiting, so that a pipe at the path cannot hold the tool up, and
  // not read when it is a pipe or a device, which could also never end. (A folder is
  // opened, and then fails to read.)
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !(S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) ||
      fcntl(descriptor, F_SETFL, 0) != 0) {
    close(descriptor);
    return nullptr;
  }
  std::FILE* stream = fdopen(descriptor, "rb");
  if (stream == nullptr) close(descriptor);
  return stream;
}

std::FILE* CreateNewFile(const std::string& path, bool& exists) {
  // "x": fail rather than reuse a file that already exists under that name.
  std::FILE* stream = std::fopen(path.c_str(), "wbx");
  exists = stream == nullptr && errno == EEXIST;
  return stream;
}

bool RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::string& path) {
  std::remove(path.c_str());
}

unsigned long CurrentProcessId() {
  return static_cast<unsigned long>(getpid());
}

#endif

}  // namespace tlmaper
