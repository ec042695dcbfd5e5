#include "base/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>

namespace tlmaper {
namespace {

// The temporary name: the target's directory, then a hidden name made from the
// target's file name and the process id, so that it never collides with a save file
// or with another run writing the same target.
std::string TemporaryPathFor(const std::string& targetPath, int attempt) {
  const size_t slash = targetPath.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return targetPath.substr(0, nameStart) + "." + targetPath.substr(nameStart) + "." +
         std::to_string(getpid()) + "." + std::to_string(attempt) + ".tmp";
}

// Outputs run to megabytes and are written in many small pieces (a bitmap row at a
// time); a large buffer turns them into few large writes.
constexpr size_t BufferSize = size_t{1} << 20;

}  // namespace

PendingFile::~PendingFile() {
  DiscardPendingFile(*this);
}

bool OpenPendingFile(const std::string& targetPath, PendingFile& file) {
  DiscardPendingFile(file);
  file.targetPath = targetPath;
  // No file can be renamed over a directory: refuse now rather than after writing.
  std::error_code error;
  if (std::filesystem::is_directory(targetPath, error)) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    file.temporaryPath = TemporaryPathFor(targetPath, attempt);
    // "x": fail rather than reuse a file that already exists under that name.
    file.stream = std::fopen(file.temporaryPath.c_str(), "wbx");
    if (file.stream != nullptr) {
      file.buffer.reset(new (std::nothrow) char[BufferSize]);
      if (file.buffer) std::setvbuf(file.stream, file.buffer.get(), _IOFBF, BufferSize);
      return true;
    }
    if (errno != EEXIST) break;
  }
  file.temporaryPath.clear();
  return false;
}

bool WritePending(PendingFile& file, const void* bytes, size_t size) {
  return std::fwrite(bytes, 1, size, file.stream) == size;
}

bool CommitPendingFile(PendingFile& file) {
  const bool flushed = std::fflush(file.stream) == 0 && !std::ferror(file.stream);
  const bool closed = std::fclose(file.stream) == 0;
  file.stream = nullptr;
  if (flushed && closed && std::rename(file.temporaryPath.c_str(), file.targetPath.c_str()) == 0) {
    file.temporaryPath.clear();
    return true;
  }
  std::remove(file.temporaryPath.c_str());
  file.temporaryPath.clear();
  return false;
}

void DiscardPendingFile(PendingFile& file) {
  if (file.stream != nullptr) std::fclose(file.stream);
  file.stream = nullptr;
  if (!file.temporaryPath.empty()) std::remove(file.temporaryPath.c_str());
  file.temporaryPath.clear();
}

}  // namespace tlmaper
