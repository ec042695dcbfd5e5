#include "page/notes_file.h"

#include <filesystem>
#include <system_error>

#include "base/output_file.h"
#include "base/platform_files.h"
#include "base/text.h"

namespace tlmaper {

NotesFileRead ReadNotesFile(const std::string& path, NoteSet& notes, std::string& problem) {
  std::error_code error;
  // A name that cannot even be looked up (one too long for the file system, say) names no
  // file either.
  if (!std::filesystem::exists(std::filesystem::status(PathFromUtf8(path), error))) {
    return NotesFileRead::Missing;
  }
  const std::string text = ReadWholeFile(path);
  if (text.empty()) {
    problem = "it is empty or cannot be read";
    return NotesFileRead::Unreadable;
  }
  if (!ParseNotes(text, notes, problem)) return NotesFileRead::Unreadable;
  return NotesFileRead::Read;
}

bool WriteNotesFile(const std::string& path, const NoteSet& notes) {
  const std::string text = NotesJson(notes);
  PendingFile file;
  if (!OpenPendingFile(path, file, WritePieces::Large) ||
      !WritePending(file, text.data(), text.size())) {
    DiscardPendingFile(file);
    return false;
  }
  return CommitPendingFile(file);
}

}  // namespace tlmaper
