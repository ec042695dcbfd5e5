#include "page/notes.h"

#include <map>
#include <nlohmann/json.hpp>
#include <tuple>
#include <utility>

namespace tlmaper {
namespace {

using Json = nlohmann::json;
// Written with its members in the documented order, for people who open the file.
using OrderedJson = nlohmann::ordered_json;

constexpr const char* Format = "tlmaper-notes";
constexpr int64_t Version = 1;
constexpr int64_t MaxUpdated = int64_t{1} << 53;  // the largest time a page can hold exactly
constexpr std::string_view Marks[] = {"", "planned", "danger", "treasure", "done"};

bool Refuse(std::string& problem, std::string why) {
  problem = std::move(why);
  return false;
}

// A member that is an integer within [low, high]; false when it is missing, of another
// type or out of range.
bool ReadInteger(const Json& object, const char* name, int64_t low, int64_t high, int64_t& value) {
  const auto member = object.find(name);
  if (member == object.end() || !member->is_number_integer()) return false;
  if (member->is_number_unsigned()) {
    const uint64_t number = member->get<uint64_t>();
    if (number > static_cast<uint64_t>(high)) return false;
    value = static_cast<int64_t>(number);
  } else {
    value = member->get<int64_t>();
  }
  return value >= low && value <= high;
}

bool ReadString(const Json& object, const char* name, std::string& value) {
  const auto member = object.find(name);
  if (member == object.end() || !member->is_string()) return false;
  value = member->get_ref<const std::string&>();
  return true;
}

// The number of code points in UTF-8 text (the parser has checked that it is UTF-8):
// every byte but the continuation bytes starts one.
size_t CodePoints(std::string_view text) {
  size_t count = 0;
  for (const char byte : text) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
  return count;
}

bool IsMark(std::string_view mark) {
  for (const std::string_view known : Marks) {
    if (mark == known) return true;
  }
  return false;
}

bool ReadNote(const Json& item, Note& note, std::string& problem) {
  if (!item.is_object()) return Refuse(problem, "it is not an object");
  if (!ReadString(item, "name", note.name)) return Refuse(problem, "its name is not a text");
  int64_t x = 0, y = 0;
  if (!ReadInteger(item, "x", INT32_MIN, INT32_MAX, x) ||
      !ReadInteger(item, "y", INT32_MIN, INT32_MAX, y)) {
    return Refuse(problem, "its position is not two 32-bit integers");
  }
  note.x = static_cast<int32_t>(x);
  note.y = static_cast<int32_t>(y);
  if (!ReadString(item, "text", note.text)) return Refuse(problem, "its text is not a text");
  if (CodePoints(note.text) > MaxNoteTextLength) {
    return Refuse(problem,
                  "its text is longer than " + std::to_string(MaxNoteTextLength) + " characters");
  }
  if (!ReadString(item, "mark", note.mark) || !IsMark(note.mark)) {
    return Refuse(problem, "its mark is not one of \"\", planned, danger, treasure, done");
  }
  if (!ReadInteger(item, "updated", 0, MaxUpdated, note.updated)) {
    return Refuse(problem, "its time is not an integer from 0 to 2^53");
  }
  return true;
}

bool ReadNoteList(const Json& list, std::vector<Note>& notes, std::string& problem) {
  if (!list.is_array()) return Refuse(problem, "it has no list of notes");
  if (list.size() > MaxNotes) {
    return Refuse(problem, "it holds more than " + std::to_string(MaxNotes) + " notes");
  }
  notes.resize(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    std::string why;
    if (!ReadNote(list[i], notes[i], why)) {
      return Refuse(problem, "note " + std::to_string(i + 1) + ": " + why);
    }
  }
  return true;
}

using NoteKey = std::tuple<std::string, int32_t, int32_t>;

NoteKey KeyOf(const Note& note) {
  return {note.name, note.x, note.y};
}

OrderedJson NoteJson(const Note& note) {
  OrderedJson object = OrderedJson::object();
  object["name"] = note.name;
  object["x"] = note.x;
  object["y"] = note.y;
  object["text"] = note.text;
  object["mark"] = note.mark;
  object["updated"] = note.updated;
  return object;
}

}  // namespace

bool ParseNotes(std::string_view text, NoteSet& notes, std::string& problem) {
  const Json document = Json::parse(text.data(), text.data() + text.size(), nullptr,
                                    /*allow_exceptions=*/false);
  if (document.is_discarded()) return Refuse(problem, "not valid JSON");
  if (!document.is_object()) return Refuse(problem, "not a JSON object");
  std::string format;
  int64_t version = 0;
  if (!ReadString(document, "format", format) || format != Format) {
    return Refuse(problem, std::string("its format is not ") + Format);
  }
  if (!ReadInteger(document, "version", Version, Version, version)) {
    return Refuse(problem, "its version is not " + std::to_string(Version));
  }
  NoteSet read;
  if (document.contains("world") && !ReadString(document, "world", read.world)) {
    return Refuse(problem, "its world is not a text");
  }
  const auto list = document.find("notes");
  if (list == document.end()) return Refuse(problem, "it has no list of notes");
  std::vector<Note> listed;
  if (!ReadNoteList(*list, listed, problem)) return false;
  MergeNotes(read, listed);
  notes = std::move(read);
  return true;
}

void MergeNotes(NoteSet& kept, const std::vector<Note>& incoming) {
  std::map<NoteKey, size_t> places;
  for (size_t i = 0; i < kept.notes.size(); ++i) places.emplace(KeyOf(kept.notes[i]), i);
  for (const Note& note : incoming) {
    const auto [place, isNew] = places.emplace(KeyOf(note), kept.notes.size());
    if (isNew) {
      kept.notes.push_back(note);
    } else if (note.updated > kept.notes[place->second].updated) {
      kept.notes[place->second] = note;
    }
  }
}

std::string NotesJson(const NoteSet& notes) {
  OrderedJson list = OrderedJson::array();
  for (const Note& note : notes.notes) list.push_back(NoteJson(note));
  OrderedJson document = OrderedJson::object();
  document["format"] = Format;
  document["version"] = Version;
  document["world"] = notes.world;
  document["notes"] = std::move(list);
  return document.dump(-1, ' ', /*ensure_ascii=*/false, OrderedJson::error_handler_t::replace);
}

std::string ScriptSafeJson(std::string_view json) {
  std::string safe;
  safe.reserve(json.size());
  for (const char c : json) {
    switch (c) {
      case '<':
        safe += "\\u003c";
        break;
      case '>':
        safe += "\\u003e";
        break;
      case '&':
        safe += "\\u0026";
        break;
      default:
        safe += c;
    }
  }
  return safe;
}

}  // namespace tlmaper
