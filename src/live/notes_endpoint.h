// The live page's notes at /notes: GET gives the notes kept in the file beside the save,
// POST merges the notes a page sends into them and writes the file. The file is read or
// written by one request at a time.
#pragma once

#include <httplib.h>

#include <cstddef>
#include <mutex>
#include <string>

namespace tlmaper {

// The largest body a page may send: some hundreds of notes at their longest.
inline constexpr size_t MaxNotesBody = size_t{1} << 20;

struct NotesPlace {
  std::string path;  // the notes file; empty when none can be kept beside the save
  std::timed_mutex mutex;
};

// The status that refuses a POST /notes on its head alone, before any of its body is
// read: 400 for a body whose length is not given plainly (chunked, a Content-Length twice
// or not a number), 411 for none, 413 for one over MaxNotesBody, 415 for one that is not
// plain JSON. 0 when the body may be read. A refusal says why in `response`.
int ScreenNotesPost(const httplib::Request& request, httplib::Response& response);

// GET /notes: the file's notes, or an empty list when there is no file or it cannot be
// read, named after the file's world or else `worldName`.
void ServeNotes(NotesPlace& place, const std::string& worldName, httplib::Response& response);

// POST /notes, its head screened: the notes sent, merged into the file's (the later of two
// notes with the same key wins) and written, the file then named after `worldName`.
// Answers {"notes":N}, N the notes in the file; 400 for notes that break the rules, 413
// when the file would hold too many, 500 when the file cannot be read or written (it is
// then left as it was), 503 when the file stays busy.
void ReceiveNotes(NotesPlace& place, const std::string& worldName,
                  const httplib::ContentReader& reader, httplib::Response& response);

}  // namespace tlmaper
