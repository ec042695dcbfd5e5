#include "base/platform_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tlmaper {

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

}  // namespace tlmaper
