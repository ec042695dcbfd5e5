// The command line, run against the built binary in a scratch directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {
namespace fs = std::filesystem;

const char* const UsageText = "Tidelorn Mapper v1.0.0\nUsage:\ntlmaper.exe savefile.xml\n";
const std::string HelpText = std::string(UsageText) +
                             "  -h, --help   print this help\n"
                             "  --version    print the version\n"
                             "  --live       serve the map on this computer, updated each time the "
                             "save changes\n"
                             "  --port N     with --live: serve on port N, or the next free one "
                             "(default 8642)\n"
                             "  --no-open    with --live: do not open the map in the browser\n";

TEST(CommandLine, WrongArgumentCountPrintsUsageAndTouchesNothing) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", SaveXml(""));
  for (const auto& args : {std::vector<std::string>{}, {"world.xml", "world.xml"}}) {
    const RunResult run = RunTool(args, dir.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, UsageText);
    EXPECT_EQ(run.err, "");
  }
  EXPECT_FALSE(fs::exists(dir / "world.bmp"));
  EXPECT_FALSE(fs::exists(dir / "world.html"));
}

TEST(CommandLine, HelpAndVersionAreAnsweredWithoutOpeningAFile) {
  ScratchDirectory dir;
  // Saves bearing the option names: only the answer is printed, nothing is mapped.
  for (const char* name : {"-h", "--help", "--version"}) {
    WriteFileBytes(dir / name, SaveXml(""));
  }
  struct Case {
    std::string arg, out;
  };
  const Case cases[] = {
      {"-h", HelpText},
      {"--help", HelpText},
      {"--version", "Tidelorn Mapper v1.0.0\n"},
  };
  for (const Case& c : cases) {
    const RunResult run = RunTool({c.arg}, dir.path());
    EXPECT_EQ(run.status, 0) << c.arg;
    EXPECT_EQ(run.out, c.out) << c.arg;
    EXPECT_EQ(run.err, "") << c.arg;
  }
  EXPECT_FALSE(fs::exists(dir / "-h.bmp"));
  // Named as a path, such a save is mapped like any other.
  const RunResult run = RunTool({"./-h"}, dir.path());
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(fs::exists(dir / "-h.bmp"));
  EXPECT_TRUE(fs::exists(dir / "-h.html"));
  // With another argument beside it, an option is wrong usage like any other pair.
  EXPECT_EQ(RunTool({"--help", "-h"}, dir.path()).status, 2);
}

TEST(CommandLine, LiveOptionsItCannotUseAreWrongUsage) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "a.xml", SaveXml(""));
  const std::vector<std::vector<std::string>> cases = {
      {"--live"},
      {"--live", "--no-open"},
      {"--live", "--port", "0", "a.xml"},
      {"--live", "--port", "65536", "a.xml"},
      {"--live", "--port", "80x", "a.xml"},
      {"--live", "a.xml", "--port"},
      {"--live", "--no-open", "a.xml", "a.xml"},
      {"--live", "--bogus", "a.xml"},
      {"a.xml", "--live"},
  };
  for (const std::vector<std::string>& args : cases) {
    const RunResult run = RunTool(args, dir.path());
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_EQ(run.out, UsageText) << args.back();
  }
  EXPECT_FALSE(fs::exists(dir / "a.bmp"));
  // A first run that fails ends the live run with its status and message.
  const RunResult run = RunTool({"--live", "--no-open", "missing.xml"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error 3 parsing xml file\n");
}

TEST(CommandLine, WellFormedXmlThatIsNotASaveIsRefused) {
  struct Case {
    std::string name, bytes;
  };
  const Case cases[] = {
      {"pom.xml", "<?xml version=\"1.0\"?>\n<project><modelVersion>4.0.0</modelVersion></project>"},
      {"other.xml",
       "<OtherGameSave><Islands><IslandData X=\"1\" Y=\"1\"/></Islands></OtherGameSave>"},
      {"lower.xml", "<tidelornsavefile/>"},
      {"comment.xml", "<!-- only a comment -->"},
      // Refused as no save before the check that it would be overwritten by its map.
      {"world.bmp", "<project/>"},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    fs::create_directory(dir / "saves");
    WriteFileBytes(dir / "saves" / c.name, c.bytes);
    const RunResult run = RunTool({"saves/" + c.name}, dir.path());
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_EQ(run.out, "") << c.name;
    EXPECT_EQ(run.err, "Error: saves/" + c.name + " is not a Tidelorn save file\n") << c.name;
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::recursive_directory_iterator(dir.path())) {
      ++entries;
    }
    EXPECT_EQ(entries, 2u) << c.name;  // the folder and the file: nothing written
  }
  // The save's root alone is an empty world, mapped as the 66 x 66 sea.
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", "<TidelornSaveFile/>");
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(fs::file_size(dir / "world.bmp"), 54u + 66 * (66 * 3 + 2));
  EXPECT_TRUE(fs::exists(dir / "world.html"));
}

TEST(CommandLine, SaveThatDoesNotLoadIsReportedAndWritesNothing) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "broken.xml", "<TidelornSaveFile><Islands></TidelornSaveFile>");
  WriteFileBytes(dir / "empty.xml", "");
  struct Case {
    std::string arg, err;
  };
  const Case cases[] = {
      {"missing.xml", "Error 3 parsing xml file\n"},
      {"", "Error 3 parsing xml file\n"},
      {"broken.xml", "Error 14 parsing xml file\n"},
      {"empty.xml", "Error 13 parsing xml file\n"},
  };
  for (const Case& c : cases) {
    const RunResult run = RunTool({c.arg}, dir.path());
    EXPECT_EQ(run.status, 1) << c.arg;
    EXPECT_EQ(run.out, "") << c.arg;
    EXPECT_EQ(run.err, c.err) << c.arg;
  }
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().extension(), ".xml") << entry.path();
  }
}

TEST(CommandLine, OutputsLandBesideTheSaveUnderItsStem) {
  struct Case {
    std::string saveDir, arg, stem;
  };
  const Case cases[] = {
      {"", "world.xml", "world"},
      {"saves", "saves/world.xml", "saves/world"},
      {"old.saves", "old.saves/world.xml", "old.saves/world"},
      {"", "./world.xml", "world"},
      {"", "world", "world"},
      {"", "world.backup.xml", "world"},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    if (!c.saveDir.empty()) fs::create_directories(dir / c.saveDir);
    const std::string saveName = fs::path(c.arg).filename().string();
    WriteFileBytes(dir / c.saveDir / saveName, SaveXml(""));
    const RunResult run = RunTool({c.arg}, dir.path());
    EXPECT_EQ(run.status, 0) << c.arg << run.out << run.err;
    EXPECT_TRUE(fs::exists(dir / (c.stem + ".bmp"))) << c.arg;
    EXPECT_TRUE(fs::exists(dir / (c.stem + ".html"))) << c.arg;
    // Only the save and the two outputs: no temporary file is left behind.
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
      files += entry.is_regular_file();
    }
    EXPECT_EQ(files, 3u) << c.arg;
  }
}

// The value the page gives its map image: the text of data-image="...".
std::string PageMapName(const std::string& page) {
  const std::string key = "data-image=\"";
  const size_t start = page.find(key);
  if (start == std::string::npos) return "(none)";
  return page.substr(start + key.size(), page.find('"', start + key.size()) - start - key.size());
}

TEST(CommandLine, ThePageNamesItsMapWithoutTheFoldersTheSaveWasGivenWith) {
  const std::string save =
      SaveXml("<Islands><IslandData Name=\"Port\" X=\"3\" Y=\"4\" Difficulty=\"3\"/></Islands>");
  ScratchDirectory here;
  WriteFileBytes(here / "world.xml", save);
  ASSERT_EQ(RunTool({"world.xml"}, here.path()).status, 0);
  const std::string page = ReadFileBytes(here / "world.html");
  EXPECT_EQ(PageMapName(page), "world.bmp");

  // Given with folders, the save gives the same page byte for byte.
  ScratchDirectory dir, elsewhere;
  fs::create_directory(dir / "saves");
  WriteFileBytes(dir / "saves" / "world.xml", save);
  const fs::path fullPath = dir / "saves" / "world.xml";
  struct Case {
    std::string what, arg;
    fs::path workingDirectory;
  };
  std::vector<Case> cases = {
      {"a folder", "saves/world.xml", dir.path()},
      {"a full path", fullPath.string(), elsewhere.path()},
  };
  if (TestingWindowsBuild()) {
    // As a save dropped onto the exe arrives: a drive letter and backslashes.
    std::string windowsPath = "Z:" + fullPath.string();
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    cases.push_back({"a drive-letter path", windowsPath, elsewhere.path()});
    cases.push_back({"a drive letter alone", "Z:world.xml", dir.path() / "saves"});
  }
  for (const Case& c : cases) {
    const RunResult run = RunTool({c.arg}, c.workingDirectory);
    EXPECT_EQ(run.status, 0) << c.what << run.out << run.err;
    const std::string written = ReadFileBytes(dir / "saves" / "world.html");
    EXPECT_EQ(PageMapName(written), "world.bmp") << c.what;
    EXPECT_TRUE(written == page) << c.what;
  }
}

TEST(CommandLine, NeverWritesOverTheSaveFile) {
  for (const std::string name : {"world.bmp", "world.html"}) {
    ScratchDirectory dir;
    const std::string save = SaveXml("<Islands><IslandData X=\"1\" Y=\"1\"/></Islands>");
    WriteFileBytes(dir / name, save);
    const RunResult run = RunTool({name}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: output file " + name + " would overwrite the save file\n");
    EXPECT_EQ(ReadFileBytes(dir / name), save);
    EXPECT_FALSE(fs::exists(dir / (name == "world.bmp" ? "world.html" : "world.bmp")));
  }
}

}  // namespace
}  // namespace tlmaper::testing
