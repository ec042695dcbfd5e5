// Whole runs with a notes file beside the save: its notes in the page, and a file that
// cannot be read reported, left out of the page and left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "page/notes.h"
#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {
namespace fs = std::filesystem;

const std::string Save = SaveXml(
    "<PlayerData X=\"3\" Y=\"4\" WorldName=\"Reach\"/>"
    "<Islands><IslandData Name=\"Stormcrag\" X=\"10\" Y=\"20\" Difficulty=\"3\"/></Islands>");

constexpr std::string_view BlockStart = "<script type=\"text/plain\" id=\"notes-list\">";

// The text of the page's notes block; "(no block)" when the page has none.
std::string NotesBlock(const std::string& page) {
  const size_t start = page.find(BlockStart);
  if (start == std::string::npos) return "(no block)";
  const size_t text = start + BlockStart.size();
  return page.substr(text, page.find("</script>", text) - text);
}

std::string NotesFileOf(const std::string& notes) {
  return "{\"format\":\"tlmaper-notes\",\"version\":1,\"world\":\"Reach\",\"notes\":[" + notes +
         "]}";
}

std::string NoteOf(const std::string& text, const std::string& updated = "5") {
  return "{\"name\":\"Stormcrag\",\"x\":296,\"y\":82,\"text\":\"" + text +
         "\",\"mark\":\"danger\",\"updated\":" + updated + "}";
}

TEST(NotesInThePage, TheNotesBesideTheSaveAreInThePage) {
  ScratchDirectory dir;
  fs::create_directory(dir / "saves");
  WriteFileBytes(dir / "saves" / "world.day2.xml", Save);
  // Spaced out, with a member the tool does not know and two older copies of the note.
  const std::string file =
      "{ \"format\": \"tlmaper-notes\", \"version\": 1, \"world\": \"Reach\",\n"
      "  \"extra\": true, \"notes\": [ " +
      NoteOf("Old", "4") + ",\n " + NoteOf("Rocks", "9") + ", " + NoteOf("Older", "1") + " ] }\n";
  WriteFileBytes(dir / "saves" / "world.notes.json", file);
  const RunResult run = RunTool({"saves/world.day2.xml"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_EQ(NotesBlock(ReadFileBytes(dir / "saves" / "world.html")),
            NotesFileOf(NoteOf("Rocks", "9")));
  EXPECT_EQ(ReadFileBytes(dir / "saves" / "world.notes.json"), file) << "the file is only read";

  // Without the file the block is empty.
  fs::remove(dir / "saves" / "world.notes.json");
  ASSERT_EQ(RunTool({"saves/world.day2.xml"}, dir.path()).status, 0);
  EXPECT_EQ(NotesBlock(ReadFileBytes(dir / "saves" / "world.html")), "");
}

TEST(NotesInThePage, TextThatLooksLikeMarkupCannotLeaveItsBlock) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", Save);
  WriteFileBytes(dir / "world.notes.json",
                 NotesFileOf(NoteOf("</script><script>alert(1)</script> & <!--")));
  ASSERT_EQ(RunTool({"world.xml"}, dir.path()).status, 0);
  const std::string page = ReadFileBytes(dir / "world.html");
  const std::string block = NotesBlock(page);
  EXPECT_EQ(block, NotesFileOf(NoteOf("\\u003c/script\\u003e\\u003cscript\\u003ealert(1)"
                                      "\\u003c/script\\u003e \\u0026 \\u003c!--")));
  EXPECT_EQ(page.find("<script>alert"), std::string::npos);
  NoteSet notes;
  std::string problem;
  ASSERT_TRUE(ParseNotes(block, notes, problem)) << problem;
  EXPECT_EQ(notes.notes.at(0).text, "</script><script>alert(1)</script> & <!--");
}

TEST(NotesInThePage, ANotesFileThatCannotBeReadIsReportedAndLeftAsItIs) {
  struct Case {
    std::string what, bytes;
    bool folder = false;
  };
  const Case cases[] = {
      {"not JSON", "{\"format\":\"tlmaper-notes\",\"version\":1,\"notes\":[{\"name\":"},
      {"empty", ""},
      {"another format", "{\"format\":\"notes\",\"version\":1,\"notes\":[]}"},
      {"another version", "{\"format\":\"tlmaper-notes\",\"version\":2,\"notes\":[]}"},
      {"one note of an unknown mark", NotesFileOf(NoteOf("a") + "," +
                                                  "{\"name\":\"B\",\"x\":1,\"y\":1,\"text\":\"b\","
                                                  "\"mark\":\"gold\",\"updated\":1}")},
      {"one note too long", NotesFileOf(NoteOf(std::string(2001, 'x')))},
      {"not UTF-8", NotesFileOf(NoteOf("\xFF"))},
      {"a folder", "", true},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    fs::create_directory(dir / "saves");
    WriteFileBytes(dir / "saves" / "world.xml", Save);
    const fs::path notesPath = dir / "saves" / "world.notes.json";
    if (c.folder) {
      fs::create_directory(notesPath);
    } else {
      WriteFileBytes(notesPath, c.bytes);
    }
    const RunResult run = RunTool({"saves/world.xml"}, dir.path());
    EXPECT_EQ(run.status, 0) << c.what;
    EXPECT_EQ(run.out, "") << c.what;
    EXPECT_EQ(run.err,
              "Warning: cannot read the notes in saves/world.notes.json, the page is written "
              "without them\n")
        << c.what;
    EXPECT_EQ(NotesBlock(ReadFileBytes(dir / "saves" / "world.html")), "") << c.what;
    EXPECT_TRUE(fs::exists(dir / "saves" / "world.bmp")) << c.what;
    if (c.folder) {
      EXPECT_TRUE(fs::is_directory(notesPath)) << c.what;
    } else {
      EXPECT_EQ(ReadFileBytes(notesPath), c.bytes) << c.what;
    }
  }
}

TEST(NotesInThePage, ATemplateWithoutTheNotesBlockIsFilledAsWithoutNotes) {
  const std::string custom =
      "<h1>[WORLDNAME]</h1>[PLAYERX],[PLAYERY] [NOTE] [notes] [ISLANDNAMELAYER]";
  std::string pages[2];
  for (const bool withNotes : {false, true}) {
    ScratchDirectory dir;
    WriteFileBytes(dir / "world.xml", Save);
    WriteFileBytes(dir / "template.html", custom);
    if (withNotes) WriteFileBytes(dir / "world.notes.json", NotesFileOf(NoteOf("[NOTES]")));
    const RunResult run = RunTool({"world.xml"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    pages[withNotes] = ReadFileBytes(dir / "world.html");
  }
  EXPECT_EQ(pages[1], pages[0]);
  EXPECT_NE(pages[0].find("<h1>Reach</h1>3,4 [NOTE] [notes] "), std::string::npos) << pages[0];

  // Where the block is, the notes are filled in last: placeholders in their texts stay.
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", Save);
  WriteFileBytes(dir / "template.html", "[NOTES]|[WORLDNAME]|[NOTES]");
  const std::string notes = NotesFileOf(NoteOf("[WORLDNAME] [SIZE] [NOTES]"));
  WriteFileBytes(dir / "world.notes.json", notes);
  ASSERT_EQ(RunTool({"world.xml"}, dir.path()).status, 0);
  EXPECT_EQ(ReadFileBytes(dir / "world.html"), notes + "|Reach|" + notes);
}

TEST(NotesInThePage, NoNotesAreReadFromASaveNamedLikeTheNotesFile) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.notes.json", Save);
  const RunResult run = RunTool({"world.notes.json"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(NotesBlock(ReadFileBytes(dir / "world.html")), "");
  EXPECT_EQ(ReadFileBytes(dir / "world.notes.json"), Save);
}

}  // namespace
}  // namespace tlmaper::testing
