// Arbitrary bytes read as notes, as a page or a hand-edited notes file could give them:
// what is refused says why; what is read is written back in a form that reads the same,
// merges into itself without a change, and holds no markup in its page form.
#include "page/notes.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tlmaper;
  NoteSet notes;
  std::string problem;
  if (!ParseNotes(std::string_view(reinterpret_cast<const char*>(data), size), notes, problem)) {
    Check(!problem.empty() && notes.notes.empty());
    return 0;
  }
  Check(notes.notes.size() <= MaxNotes);
  const std::string safe = ScriptSafeJson(NotesJson(notes));
  Check(safe.find_first_of("<>&") == std::string::npos);
  NoteSet again;
  Check(ParseNotes(safe, again, problem) && again == notes);
  MergeNotes(again, notes.notes);
  Check(again == notes);
  return 0;
}
