#include "base/output_file.h"

#include <cstdio>
#include <filesystem>
#include <new>

#include "base/platform_files.h"

namespace tlmaper {
namespace {

// The temporary name: the target's directory, then a short hidden name made from the
// process id and the attempt, unique among runs and among the files of one run. Its
// length does not depend on the target's name, so every target whose own name fits in
// the file system can be written.
std::string TemporaryPathFor(const std::string& targetPath, int attempt) {
  return targetPath.substr(0, FileNameStart(targetPath)) + ".tlmaper-" +
         std::to_string(CurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
}

// A bitmap runs to megabytes written a row at a time; a large buffer turns the rows
// into few large writes.
constexpr size_t BufferSize = size_t{1} << 20;

}  // namespace

PendingFile::~PendingFile() {
  DiscardPendingFile(*this);
}

bool OpenPendingFile(const std::string& targetPath, PendingFile& file, WritePieces pieces) {
  DiscardPendingFile(file);
  file.targetPath = targetPath;
  // No file can be renamed over a directory: refuse now rather than after writing.
  std::error_code error;
  if (std::filesystem::is_directory(PathFromUtf8(targetPath), error)) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    file.temporaryPath = TemporaryPathFor(targetPath, attempt);
    bool exists = false;
    file.stream = CreateNewFile(file.temporaryPath, exists);
    if (file.stream != nullptr) {
      if (pieces == WritePieces::Small) {
        file.buffer.reset(new (std::nothrow) char[BufferSize]);
        if (file.buffer) std::setvbuf(file.stream, file.buffer.get(), _IOFBF, BufferSize);
      }
      return true;
    }
    if (!exists) break;
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
  if (flushed && closed && RenameOver(file.temporaryPath, file.targetPath)) {
    file.temporaryPath.clear();
    return true;
  }
  RemoveFile(file.temporaryPath);
  file.temporaryPath.clear();
  return false;
}

void DiscardPendingFile(PendingFile& file) {
  if (file.stream != nullptr) std::fclose(file.stream);
  file.stream = nullptr;
  if (!file.temporaryPath.empty()) RemoveFile(file.temporaryPath);
  file.temporaryPath.clear();
}

}  // namespace tlmaper
