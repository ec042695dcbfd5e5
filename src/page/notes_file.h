// The notes file, <stem>.notes.json beside the save: read whole and checked, and written
// whole to a temporary file that is renamed into place, so that a failed or cut-short
// write leaves the file as it was.
#pragma once

#include <string>

#include "page/notes.h"

namespace tlmaper {

enum class NotesFileRead {
  Missing,     // no file: no notes yet
  Read,        // `notes` holds the file's notes
  Unreadable,  // a file that cannot be read or is not a notes file; `problem` says why
};

NotesFileRead ReadNotesFile(const std::string& path, NoteSet& notes, std::string& problem);

// False when the file could not be written whole; the old file is then as it was.
bool WriteNotesFile(const std::string& path, const NoteSet& notes);

}  // namespace tlmaper
