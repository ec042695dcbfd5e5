// Output files that replace their target only when complete. The bytes go to a
// temporary file beside the target, which is renamed over the target on success and
// removed on failure, so a failed run never damages a good file from an earlier run.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace tlmaper {

struct PendingFile {
  std::FILE* stream = nullptr;
  std::string targetPath;
  std::string temporaryPath;
  std::unique_ptr<char[]> buffer;  // the stream's buffer, larger than the default

  PendingFile() = default;
  PendingFile(PendingFile&&) = delete;
  // A file neither committed nor discarded (the run was cut short) is discarded.
  ~PendingFile();
};

// How a file is written: in many small pieces (a bitmap row at a time), which a large
// buffer turns into few large writes, or in few large pieces, which go to the file
// with no copy into a buffer.
enum class WritePieces { Small, Large };

// Creates the temporary file for `targetPath` (in the same directory, so the final
// rename cannot cross file systems). False when it cannot be created, or when the
// target is a directory, which no file can replace.
bool OpenPendingFile(const std::string& targetPath, PendingFile& file,
                     WritePieces pieces = WritePieces::Small);

// Writes `size` bytes; false on a short write.
bool WritePending(PendingFile& file, const void* bytes, size_t size);

// Flushes, closes and renames the temporary file over the target. False, with the
// temporary file removed and the target untouched, when any of that fails.
bool CommitPendingFile(PendingFile& file);

// Closes and removes the temporary file; the target stays as it was.
void DiscardPendingFile(PendingFile& file);

}  // namespace tlmaper
