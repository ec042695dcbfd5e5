// The notes' JSON form: what is read and what is refused, merging, and the text written
// for the file and for the page.
#include "page/notes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tlmaper {
namespace {

const std::string Stormcrag =
    R"({"name":"Stormcrag","x":296,"y":82,"text":"Treasure under the rock","mark":"treasure","updated":1765432100000})";

std::string FileOf(const std::string& notes, const std::string& world = R"("world":"Reach",)") {
  return R"({"format":"tlmaper-notes","version":1,)" + world + R"("notes":[)" + notes + "]}";
}

// A note as JSON, with `member` (such as `"x":1.5`) in place of the one of its name.
std::string NoteWith(const std::string& name, const std::string& member) {
  std::string note = R"({"name":"N","x":1,"y":2,"text":"t","mark":"","updated":5})";
  const size_t start = note.find("\"" + name + "\":");
  const size_t end = note.find_first_of(",}", note.find(':', start));
  return note.replace(start, end - start, member);
}

std::string Repeated(const std::string& piece, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += piece;
  return text;
}

NoteSet Parsed(const std::string& text) {
  NoteSet notes;
  std::string problem;
  EXPECT_TRUE(ParseNotes(text, notes, problem)) << problem << "\n" << text.substr(0, 300);
  return notes;
}

Note MakeNote(std::string name, int32_t x, int32_t y, std::string text, int64_t updated) {
  return Note{std::move(name), x, y, std::move(text), "", updated};
}

TEST(Notes, TheFileFormReadsAndIsWrittenBackAsItWas) {
  const std::string file = FileOf(Stormcrag + "," + NoteWith("mark", R"("mark":"done")"));
  const NoteSet notes = Parsed(file);
  EXPECT_EQ(notes.world, "Reach");
  ASSERT_EQ(notes.notes.size(), 2u);
  EXPECT_EQ(notes.notes[0],
            (Note{"Stormcrag", 296, 82, "Treasure under the rock", "treasure", 1765432100000}));
  EXPECT_EQ(NotesJson(notes), file);
}

TEST(Notes, EdgesOfTheRulesAreAccepted) {
  const std::string emoji = "\xF0\x9F\x8C\x8A";  // one code point, four bytes
  struct Case {
    std::string what, text;
    Note note;
  };
  const Case cases[] = {
      {"the 32-bit corners and the times' ends",
       FileOf(R"({"name":"","x":-2147483648,"y":2147483647,"text":"","mark":"","updated":0},)"
              R"({"name":"M","x":0,"y":0,"text":"","mark":"planned","updated":9007199254740992})"),
       {"", INT32_MIN, INT32_MAX, "", "", 0}},
      {"2000 characters of four bytes each",
       FileOf(NoteWith("text", "\"text\":\"" + Repeated(emoji, 2000) + "\"")),
       {"N", 1, 2, Repeated(emoji, 2000), "", 5}},
      {"escapes, a surrogate pair and NUL",
       FileOf(NoteWith("text", R"("text":"\ud83c\udf0a\u0000\"<\n")")),
       {"N", 1, 2, emoji + std::string("\0\"<\n", 4), "", 5}},
      {"no world, members unknown, white space, a byte-order mark",
       "\xEF\xBB\xBF {\"version\" : 1, \"more\": [1], \"format\": \"tlmaper-notes\", \"notes\": "
       "[ " +
           NoteWith("mark", R"("colour":"red", "mark":"")") + " ] }",
       {"N", 1, 2, "t", "", 5}},
  };
  for (const Case& c : cases) {
    const NoteSet notes = Parsed(c.text);
    ASSERT_FALSE(notes.notes.empty()) << c.what;
    EXPECT_EQ(notes.notes[0], c.note) << c.what;
  }
}

TEST(Notes, AnythingElseIsRefusedWhole) {
  struct Case {
    std::string what, text, problem;
  };
  const std::vector<Case> cases = {
      {"not JSON", "{\"format\":", "not valid JSON"},
      {"empty", "", "not valid JSON"},
      {"text that is not UTF-8", FileOf(NoteWith("text", "\"text\":\"\xC3\x28\"")),
       "not valid JSON"},
      {"a lone surrogate", FileOf(NoteWith("text", R"("text":"\ud800")")), "not valid JSON"},
      {"a list", "[" + Stormcrag + "]", "not a JSON object"},
      {"another format", R"({"format":"notes","version":1,"notes":[]})", "its format is not"},
      {"no format", R"({"version":1,"notes":[]})", "its format is not"},
      {"version 2", R"({"format":"tlmaper-notes","version":2,"notes":[]})", "its version is not 1"},
      {"version as text", R"({"format":"tlmaper-notes","version":"1","notes":[]})", "version"},
      {"version 1.0", R"({"format":"tlmaper-notes","version":1.0,"notes":[]})", "version"},
      {"a world that is a number", FileOf("", R"("world":3,)"), "its world is not a text"},
      {"no notes", R"({"format":"tlmaper-notes","version":1})", "no list of notes"},
      {"notes not a list", R"({"format":"tlmaper-notes","version":1,"notes":{}})", "no list"},
      {"a note that is a number", FileOf(Stormcrag + ",7"), "note 2: it is not an object"},
      {"no name", FileOf(NoteWith("name", R"("nom":"N")")), "note 1: its name"},
      {"a name that is a number", FileOf(NoteWith("name", R"("name":5)")), "its name"},
      {"x as text", FileOf(NoteWith("x", R"("x":"1")")), "its position"},
      {"x with a fraction", FileOf(NoteWith("x", R"("x":1.5)")), "its position"},
      {"x past 32 bits", FileOf(NoteWith("x", R"("x":2147483648)")), "its position"},
      {"y below 32 bits", FileOf(NoteWith("y", R"("y":-2147483649)")), "its position"},
      {"y missing", FileOf(NoteWith("y", R"("z":2)")), "its position"},
      {"2001 characters", FileOf(NoteWith("text", "\"text\":\"" + Repeated("é", 2001) + "\"")),
       "note 1: its text is longer than 2000 characters"},
      {"text null", FileOf(NoteWith("text", R"("text":null)")), "its text"},
      {"an unknown mark", FileOf(NoteWith("mark", R"("mark":"Treasure")")), "its mark"},
      {"no mark", FileOf(NoteWith("mark", R"("sign":"")")), "its mark"},
      {"a time before 1970", FileOf(NoteWith("updated", R"("updated":-1)")), "its time"},
      {"a time past 2^53", FileOf(NoteWith("updated", R"("updated":9007199254740993)")),
       "its time"},
      {"a time with a fraction", FileOf(NoteWith("updated", R"("updated":5.5)")), "its time"},
      {"a time as text", FileOf(NoteWith("updated", R"("updated":"5")")), "its time"},
      {"20001 notes", FileOf(Repeated(Stormcrag + ",", 20000) + Stormcrag),
       "more than 20000 notes"},
  };
  for (const Case& c : cases) {
    NoteSet notes{"kept", {MakeNote("kept", 0, 0, "", 1)}};
    std::string problem;
    EXPECT_FALSE(ParseNotes(c.text, notes, problem)) << c.what;
    EXPECT_NE(problem.find(c.problem), std::string::npos) << c.what << ": " << problem;
    EXPECT_EQ(notes.notes.size(), 1u) << c.what << ": the notes given are left as they were";
  }
}

TEST(Notes, DeepNestingIsRefusedWithoutHarm) {
  NoteSet notes;
  std::string problem;
  const std::string deep = Repeated("[", 500000) + Repeated("]", 500000);
  EXPECT_FALSE(ParseNotes(FileOf(Stormcrag, "\"world\":" + deep + ","), notes, problem));
  EXPECT_FALSE(ParseNotes(Repeated("{\"a\":", 200000), notes, problem));
}

TEST(Notes, TheLaterNoteOfAKeyWinsAndATieKeepsTheOneKept) {
  NoteSet kept{"W", {MakeNote("A", 1, 1, "a", 10), MakeNote("B", 2, 2, "b", 10)}};
  MergeNotes(kept, {
                       MakeNote("A", 1, 1, "older", 9),
                       MakeNote("B", 2, 2, "same time", 10),
                       MakeNote("A", 1, 2, "other place", 1),
                       MakeNote("a", 1, 1, "other name", 1),
                       MakeNote("A", 1, 1, "", 11),  // a removal, newer
                       MakeNote("A", 1, 2, "later still", 3),
                   });
  const std::vector<Note> expected = {MakeNote("A", 1, 1, "", 11), MakeNote("B", 2, 2, "b", 10),
                                      MakeNote("A", 1, 2, "later still", 3),
                                      MakeNote("a", 1, 1, "other name", 1)};
  EXPECT_EQ(kept.notes, expected);
  EXPECT_EQ(kept.world, "W");
}

TEST(Notes, NotesOfOneKeyInOneFileAreMerged) {
  const NoteSet notes = Parsed(FileOf(NoteWith("updated", R"("updated":5)") + "," +
                                      NoteWith("updated", R"("updated":7)") + "," +
                                      NoteWith("updated", R"("updated":6)")));
  ASSERT_EQ(notes.notes.size(), 1u);
  EXPECT_EQ(notes.notes[0].updated, 7);
}

TEST(Notes, AWorldNameThatIsNotUtf8IsWrittenWithReplacementCharacters) {
  const NoteSet notes{"Sea \xFF of \xC3", {}};
  EXPECT_EQ(NotesJson(notes),
            "{\"format\":\"tlmaper-notes\",\"version\":1,\"world\":\"Sea \xEF\xBF\xBD of "
            "\xEF\xBF\xBD\",\"notes\":[]}");
}

TEST(Notes, ScriptSafeJsonHidesMarkupAndReadsTheSame) {
  const NoteSet notes{"<b>&amp;</b>",
                      {Note{"</script><script>alert(1)</script>", 1, 2,
                            "a < b && c > d <!-- \\u003c", "danger", 3}}};
  const std::string safe = ScriptSafeJson(NotesJson(notes));
  EXPECT_EQ(safe.find_first_of("<>&"), std::string::npos) << safe;
  EXPECT_NE(safe.find(R"(\u003c/script\u003e\u003cscript\u003ealert(1))"), std::string::npos);
  EXPECT_EQ(Parsed(safe), notes);
  EXPECT_EQ(ScriptSafeJson("{\"a\":[1,\"\\\"]\"]}"), "{\"a\":[1,\"\\\"]\"]}");
}

}  // namespace
}  // namespace tlmaper
