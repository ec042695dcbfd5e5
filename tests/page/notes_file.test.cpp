// The notes file on disk: missing, read, refused, and written whole in place of the old.
#include "page/notes_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {
namespace fs = std::filesystem;

const NoteSet Reach{"Reach",
                    {Note{"Stormcrag", 296, 82, "Treasure under the rock", "treasure", 7}}};

NotesFileRead Read(const fs::path& path, NoteSet& notes) {
  std::string problem;
  return ReadNotesFile(path.string(), notes, problem);
}

TEST(NotesFile, AFileWrittenIsReadBackAndReplacedWhole) {
  ScratchDirectory dir;
  const fs::path path = dir / "world.notes.json";
  NoteSet notes;
  EXPECT_EQ(Read(path, notes), NotesFileRead::Missing);
  WriteFileBytes(path, std::string(100000, ' '));  // longer than the new file
  ASSERT_TRUE(WriteNotesFile(path.string(), Reach));
  EXPECT_EQ(ReadFileBytes(path), NotesJson(Reach));
  EXPECT_EQ(Read(path, notes), NotesFileRead::Read);
  EXPECT_EQ(notes, Reach);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u) << "no temporary file is left";
}

TEST(NotesFile, WhatIsNoNotesFileIsRefusedAndLeftAsItIs) {
  struct Case {
    std::string what, bytes;
    bool folder = false;
  };
  const Case cases[] = {
      {"empty", ""},
      {"broken", "{\"format\":\"tlmaper-notes\",\"version\":1,\"notes\":[{]}"},
      {"another format", "{\"format\":\"other\",\"version\":1,\"notes\":[]}"},
      {"a folder", "", true},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    const fs::path path = dir / "world.notes.json";
    if (c.folder) {
      fs::create_directory(path);
    } else {
      WriteFileBytes(path, c.bytes);
    }
    NoteSet notes = Reach;
    std::string problem;
    EXPECT_EQ(ReadNotesFile(path.string(), notes, problem), NotesFileRead::Unreadable) << c.what;
    EXPECT_FALSE(problem.empty()) << c.what;
    EXPECT_EQ(notes, Reach) << c.what;
    if (!c.folder) {
      EXPECT_EQ(ReadFileBytes(path), c.bytes) << c.what;
    }
  }
}

TEST(NotesFile, AWriteThatCannotBeMadeFailsAndKeepsWhatIsThere) {
  ScratchDirectory dir;
  fs::create_directory(dir / "folder.notes.json");
  EXPECT_FALSE(WriteNotesFile((dir / "folder.notes.json").string(), Reach));
  EXPECT_TRUE(fs::is_directory(dir / "folder.notes.json"));
  EXPECT_FALSE(WriteNotesFile((dir / "missing" / "world.notes.json").string(), Reach));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

}  // namespace
}  // namespace tlmaper::testing
