#include "live/notes_endpoint.h"

#include <algorithm>
#include <chrono>
#include <string_view>
#include <utility>

#include "page/notes.h"
#include "page/notes_file.h"

namespace tlmaper {
namespace {

// How long a request waits for another to be done with the file.
constexpr auto FileWait = std::chrono::seconds(3);

constexpr const char* JsonType = "application/json";

int Refuse(httplib::Response& response, int status, const std::string& why) {
  response.status = status;
  response.set_content(why + "\n", "text/plain; charset=utf-8");
  return status;
}

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// application/json, parameters (a charset, say) aside.
bool IsJsonType(std::string_view type) {
  type = type.substr(0, type.find(';'));
  while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.remove_suffix(1);
  return Lowercase(type) == JsonType;
}

// A Content-Length of decimal digits alone, or -1. Past the bound it is the bound plus
// one, however long.
int64_t BodyLength(std::string_view text) {
  if (text.empty()) return -1;
  int64_t length = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return -1;
    length = std::min<int64_t>(length * 10 + (c - '0'), int64_t{MaxNotesBody} + 1);
  }
  return length;
}

std::string CountAnswer(size_t notes) {
  return "{\"notes\":" + std::to_string(notes) + "}";
}

}  // namespace

int ScreenNotesPost(const httplib::Request& request, httplib::Response& response) {
  if (request.has_header("Transfer-Encoding")) {
    return Refuse(response, 400, "Notes are sent with a Content-Length, not in chunks");
  }
  const size_t lengths = request.get_header_value_count("Content-Length");
  if (lengths == 0) return Refuse(response, 411, "Notes are sent with a Content-Length");
  const int64_t length = BodyLength(request.get_header_value("Content-Length"));
  if (lengths > 1 || length < 0) return Refuse(response, 400, "The Content-Length is unclear");
  if (length > int64_t{MaxNotesBody}) {
    return Refuse(response, 413,
                  "Notes are sent " + std::to_string(MaxNotesBody) + " bytes at a time at most");
  }
  const std::string encoding = request.get_header_value("Content-Encoding");
  if (!IsJsonType(request.get_header_value("Content-Type")) ||
      !(encoding.empty() || Lowercase(encoding) == "identity")) {
    return Refuse(response, 415, "Notes are sent as application/json");
  }
  return 0;
}

void ServeNotes(NotesPlace& place, const std::string& worldName, httplib::Response& response) {
  std::unique_lock lock(place.mutex, std::defer_lock);
  if (!lock.try_lock_for(FileWait)) {
    Refuse(response, 503, "The notes file is busy; try again");
    return;
  }
  NoteSet notes;
  std::string problem;
  if (place.path.empty() || ReadNotesFile(place.path, notes, problem) != NotesFileRead::Read) {
    notes = NoteSet{worldName, {}};
  }
  lock.unlock();
  response.set_content(NotesJson(notes), JsonType);
}

void ReceiveNotes(NotesPlace& place, const std::string& worldName,
                  const httplib::ContentReader& reader, httplib::Response& response) {
  std::string body;
  const bool whole = reader([&body](const char* data, size_t length) {
    if (body.size() + length > MaxNotesBody) return false;
    body.append(data, length);
    return true;
  });
  if (!whole) {
    Refuse(response, 400, "The notes did not arrive whole");
    return;
  }
  NoteSet sent;
  std::string problem;
  if (!ParseNotes(body, sent, problem)) {
    Refuse(response, 400, "The notes sent are refused: " + problem);
    return;
  }
  std::unique_lock lock(place.mutex, std::defer_lock);
  if (!lock.try_lock_for(FileWait)) {
    Refuse(response, 503, "The notes file is busy; try again");
    return;
  }
  if (place.path.empty()) {
    Refuse(response, 500, "No notes file can be kept beside this save: its name is the save's");
    return;
  }
  NoteSet kept;
  if (ReadNotesFile(place.path, kept, problem) == NotesFileRead::Unreadable) {
    Refuse(response, 500,
           "The notes file cannot be read (" + problem + "); it is left as it is, unchanged");
    return;
  }
  MergeNotes(kept, sent.notes);
  if (kept.notes.size() > MaxNotes) {
    Refuse(response, 413,
           "The notes file would hold more than " + std::to_string(MaxNotes) + " notes");
    return;
  }
  kept.world = worldName;
  if (!WriteNotesFile(place.path, kept)) {
    Refuse(response, 500, "The notes file could not be written; the old one is kept");
    return;
  }
  response.set_content(CountAnswer(kept.notes.size()), JsonType);
}

}  // namespace tlmaper
