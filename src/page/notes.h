// The players' notes on islands, kept in <stem>.notes.json beside the save: the JSON
// form they take in the file, in the page and on the live map's wire, the rules a note
// keeps to, and how two sets of notes are merged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tlmaper {

// One note. Its key is the island's name (as the page shows it, decoded) and position;
// a note with an empty text and no mark is a removal, kept with its time so that it
// wins over older copies of the note.
struct Note {
  std::string name;
  int32_t x = 0;
  int32_t y = 0;
  std::string text;     // UTF-8, at most MaxNoteTextLength code points
  std::string mark;     // "", "planned", "danger", "treasure" or "done"
  int64_t updated = 0;  // milliseconds since 1970, 0 to 2^53
  bool operator==(const Note&) const = default;
};

// The notes of one save: at most one note per key, in the order they first came.
struct NoteSet {
  std::string world;  // the world's name, as the save gives it
  std::vector<Note> notes;
  bool operator==(const NoteSet&) const = default;
};

inline constexpr size_t MaxNotes = 20000;
inline constexpr size_t MaxNoteTextLength = 2000;

// Reads `{"format":"tlmaper-notes","version":1,"world":"...","notes":[...]}` ("world"
// may be left out; other members are ignored). Anything else, or any note that breaks
// the rules above, more than MaxNotes notes included, refuses the whole text: false,
// with `problem` saying what is wrong in a few words. Notes with the same key are
// merged as MergeNotes does.
bool ParseNotes(std::string_view text, NoteSet& notes, std::string& problem);

// Takes each of `incoming` into `kept`: a note whose key is new is added at the end; one
// whose key is there replaces the kept note only when it was updated later.
void MergeNotes(NoteSet& kept, const std::vector<Note>& incoming);

// The notes as compact JSON in the form ParseNotes reads, members in the documented
// order. Bytes of the world's name that are not UTF-8 become U+FFFD.
std::string NotesJson(const NoteSet& notes);

// JSON text that can stand inside a <script> element of the page: every '<', '>' and
// '&' (which JSON has only inside strings) written as a \u escape, so that nothing in it
// can end the element or be read as markup.
std::string ScriptSafeJson(std::string_view json);

}  // namespace tlmaper
