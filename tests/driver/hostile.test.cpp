// Hostile and broken input, and failing disks, run against the built binary. Each case
// here backs a row of the README's "When things go wrong" table: nothing crashes,
// every failure is reported with a non-zero status, and no existing file is damaged.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {
namespace fs = std::filesystem;

const std::string TooLargeWarning =
    "Picture Warning: User attempted to set a size that is too large to allocate.\n";
const std::string OneIslandOutside = "Warning: 1 island lies outside the map\n";

std::string Island(long long x, long long y) {
  return "<IslandData Name=\"Isle\" X=\"" + std::to_string(x) + "\" Y=\"" + std::to_string(y) +
         "\" Difficulty=\"2\"/>";
}

std::string IslandsSave(const std::string& islands) {
  return SaveXml("<Islands>" + islands + "</Islands>");
}

// Files in the directory other than the save itself.
std::vector<std::string> OutputsIn(const fs::path& dir, const std::string& save) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name != save) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct BadSave {
  std::string what;
  std::string bytes;
  std::string err;
};

// Maps the save and expects status 0, both outputs and exactly `err` on standard error.
void ExpectBothFilesMade(const BadSave& c) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", c.bytes);
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 0) << c.what << run.out << run.err;
  EXPECT_EQ(run.out, "") << c.what;
  EXPECT_EQ(run.err, c.err) << c.what;
  EXPECT_EQ(OutputsIn(dir.path(), "world.xml"),
            (std::vector<std::string>{"world.bmp", "world.html"}))
      << c.what;
}

TEST(WhenThingsGoWrong, SavesThatDoNotLoadAreReportedAndWriteNothing) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919 + 13) % 251 + 1);
  std::string nested;
  for (int i = 0; i < 2000; ++i) nested += "<a>";
  for (int i = 0; i < 2000; ++i) nested += "</a>";
  const std::string utf16("\xff\xfe<\0T\0/\0>\0", 10);
  const BadSave cases[] = {
      {"empty file", "", "Error 13 parsing xml file\n"},
      {"truncated XML", "<TidelornSaveFile><Islands><IslandData X=\"1\"",
       "Error 6 parsing xml file\n"},
      {"binary junk", junk, "Error 6 parsing xml file\n"},
      {"UTF-16 file", utf16, "Error 15 parsing xml file\n"},
      {"nesting too deep", nested, "Error 18 parsing xml file\n"},
  };
  for (const BadSave& c : cases) {
    ScratchDirectory dir;
    WriteFileBytes(dir / "world.xml", c.bytes);
    const RunResult run = RunTool({"world.xml"}, dir.path());
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_EQ(run.out, "") << c.what;
    EXPECT_EQ(run.err, c.err) << c.what;
    EXPECT_TRUE(OutputsIn(dir.path(), "world.xml").empty()) << c.what;
  }
  ScratchDirectory dir;
  fs::create_directory(dir / "world.xml");
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 1);
  // Windows cannot open a folder as a file at all: "cannot be opened" rather than read.
  EXPECT_EQ(run.err,
            TestingWindowsBuild() ? "Error 3 parsing xml file\n" : "Error 5 parsing xml file\n");
  EXPECT_TRUE(OutputsIn(dir.path(), "world.xml").empty());
#ifndef _WIN32
  // A pipe where the save should be is refused at once, not waited on for a writer.
  if (!TestingWindowsBuild()) {
    ASSERT_EQ(mkfifo((dir.path() / "pipe.xml").c_str(), 0600), 0);
    const RunResult pipe = RunTool({"pipe.xml"}, dir.path());
    EXPECT_EQ(pipe.status, 1);
    EXPECT_EQ(pipe.err, "Error 3 parsing xml file\n");
  }
#endif
}

TEST(WhenThingsGoWrong, OddButValidSavesMakeBothFiles) {
  const std::string bigPadding(60 * 1024 * 1024, ' ');
  const std::string longName(10 * 1024 * 1024, 'n');
  const BadSave cases[] = {
      {"byte-order mark", "\xef\xbb\xbf" + IslandsSave(Island(3, 4)), ""},
      {"60 MB save", IslandsSave(Island(3, 4) + bigPadding + Island(5, 6)), ""},
      {"10 MB attribute", IslandsSave("<IslandData Name=\"" + longName + "\" X=\"1\" Y=\"1\"/>"),
       ""},
      // Read from their leading digits: an island at 5, 1, on the map.
      {"numbers followed by text", IslandsSave("<IslandData X=\"5abc\" Y=\"1e3\"/>"), ""},
      // No leading number: missing, so at -1, off the map.
      {"a value with no leading number", IslandsSave("<IslandData X=\"abc\" Y=\"3\"/>"),
       OneIslandOutside},
      {"numbers beyond 32 bits",
       IslandsSave("<IslandData X=\"99999999999\" Y=\"-99999999999\" Difficulty=\"4294967296\"/>"),
       OneIslandOutside},
      {"coordinates at the 32-bit limits",
       IslandsSave(Island(2147483647, 2147483647) + Island(-2147483648LL, -2147483648LL)),
       "Warning: 2 islands lie outside the map\n"},
  };
  for (const BadSave& c : cases) ExpectBothFilesMade(c);
}

TEST(WhenThingsGoWrong, IslandsOffTheMapAreCounted) {
  // The canvas spans the islands' spread plus 64 pixels but starts at world 0, 0, so
  // an island's centre (2x, 2y) can lie past its far edge or before its near one.
  const BadSave cases[] = {
      {"all on the map", IslandsSave(Island(0, 0) + Island(2, 30) + Island(20, 3)), ""},
      {"one alone at the far corner", IslandsSave(Island(31, 31)), ""},
      {"one island alone far from 0, 0", IslandsSave(Island(12, 40)), OneIslandOutside},
      {"one just past the far edge", IslandsSave(Island(32, 0)), OneIslandOutside},
      {"one just before the near edge", IslandsSave(Island(-1, 0)), OneIslandOutside},
      {"three far from 0, 0", IslandsSave(Island(100, 100) + Island(120, 130) + Island(140, 10)),
       "Warning: 3 islands lie outside the map\n"},
      {"ships off the map are not counted",
       SaveXml("<Islands>" + Island(0, 0) +
               "</Islands><MapShips><MapShip location=\"(500, -500)\"/></MapShips>"),
       ""},
  };
  for (const BadSave& c : cases) ExpectBothFilesMade(c);
}

TEST(WhenThingsGoWrong, AMapTooLargeToDrawWritesNothingAndKeepsTheEarlierFiles) {
  const std::string unchanged = "                 Size remains unchanged at 1 x 1.\n";
  struct Case {
    std::string what, bytes, out;  // `out`: the picture warning, on standard output
  };
  const Case cases[] = {
      {"two islands a billion units apart", IslandsSave(Island(0, 0) + Island(1000000000, 0)),
       TooLargeWarning + unchanged},
      {"an extent that wraps to a non-positive size",
       IslandsSave(Island(0, 0) + Island(1073741800, 5)),
       "Picture Warning: User attempted to set a non-positive width or height.\n" + unchanged},
      // Each side is small (40064 pixels); only their product is over the limit.
      {"a canvas over 2^30 pixels", IslandsSave(Island(0, 0) + Island(20000, 20000)),
       TooLargeWarning + unchanged},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    fs::create_directory(dir / "saves");
    const fs::path save = dir / "saves" / "world.xml";
    const auto runBadSave = [&] {
      WriteFileBytes(save, c.bytes);
      const RunResult run = RunTool({"saves/world.xml"}, dir.path());
      EXPECT_EQ(run.status, 1) << c.what;
      EXPECT_EQ(run.out, c.out) << c.what;
      EXPECT_EQ(run.err,
                "Error: the map of saves/world.xml is too large to draw, nothing was written\n")
          << c.what;
    };
    runBadSave();
    EXPECT_TRUE(OutputsIn(dir / "saves", "world.xml").empty()) << c.what;
    // A good run first: its map and page must survive the failed one byte for byte.
    WriteFileBytes(save, IslandsSave(Island(3, 4) + Island(200, 150)));
    ASSERT_EQ(RunTool({"saves/world.xml"}, dir.path()).status, 0) << c.what;
    const std::string map = ReadFileBytes(dir / "saves" / "world.bmp");
    const std::string page = ReadFileBytes(dir / "saves" / "world.html");
    runBadSave();
    EXPECT_TRUE(ReadFileBytes(dir / "saves" / "world.bmp") == map) << c.what;
    EXPECT_TRUE(ReadFileBytes(dir / "saves" / "world.html") == page) << c.what;
    EXPECT_EQ(OutputsIn(dir / "saves", "world.xml"),
              (std::vector<std::string>{"world.bmp", "world.html"}))
        << c.what;
  }
}

TEST(WhenThingsGoWrong, AMapPathTakenByAFolderFailsAndThePageIsStillWritten) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", IslandsSave(Island(3, 3)));
  fs::create_directories(dir / "world.bmp" / "keep");
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Picture Error: Cannot open file world.bmp for output.\n");
  EXPECT_TRUE(fs::is_directory(dir / "world.bmp" / "keep"));
  EXPECT_EQ(OutputsIn(dir.path(), "world.xml"),
            (std::vector<std::string>{"world.bmp", "world.html"}));
}

TEST(WhenThingsGoWrong, OutputsThatCannotBeCreatedAreReported) {
  if (TestingWindowsBuild()) GTEST_SKIP() << "descriptor paths are Linux's, not wine's";
  // The save is read through a descriptor path, beside which no file can be created.
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", IslandsSave(Island(3, 4)));
  const RunResult run = RunTool({"/proc/self/fd/3"}, dir.path(), "exec 3<world.xml");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Picture Error: Cannot open file /proc/self/fd/3.bmp for output.\n");
  EXPECT_EQ(run.err, "Error writing page file /proc/self/fd/3.html\n");
}

TEST(WhenThingsGoWrong, MemoryRunningOutIsReported) {
  if (UnderAddressSanitizer()) GTEST_SKIP() << "address-space limits break ASan";
  if (TestingWindowsBuild()) GTEST_SKIP() << "wine cannot start under an address-space limit";
  // A 15 MB island name written as "&lt;" (60 MB of save): the map is small and is
  // written, but the page's name layer cannot be had within the limit (the run needs
  // about 190 MB of address space; below about 90 MB the map is not made either).
  ScratchDirectory dir;
  std::string name;
  for (int i = 0; i < 15 * 1024 * 1024; ++i) name += "&lt;";
  WriteFileBytes(dir / "world.xml",
                 IslandsSave("<IslandData X=\"1\" Y=\"1\" Name=\"" + name + "\"/>"));
  WriteFileBytes(dir / "world.html", "earlier page");
  const RunResult run = RunTool({"world.xml"}, dir.path(), "ulimit -v 130000");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Error: not enough memory to map world.xml\n");
  EXPECT_EQ(ReadFileBytes(dir / "world.html"), "earlier page");
  EXPECT_EQ(OutputsIn(dir.path(), "world.xml"),
            (std::vector<std::string>{"world.bmp", "world.html"}));
}

TEST(WhenThingsGoWrong, ACanvasWhoseMemoryCannotBeHadIsRefused) {
  if (UnderAddressSanitizer()) GTEST_SKIP() << "address-space limits break ASan";
  if (TestingWindowsBuild()) GTEST_SKIP() << "wine cannot start under an address-space limit";
  // 30064 x 30064 pixels are under 2^30 but need 3.6 GB: more than the 1 GB allowed.
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", IslandsSave(Island(0, 0) + Island(15000, 15000)));
  const RunResult run = RunTool({"world.xml"}, dir.path(), "ulimit -v 1000000");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, TooLargeWarning + "                 Size remains unchanged at 1 x 1.\n");
  EXPECT_EQ(run.err, "Error: the map of world.xml is too large to draw, nothing was written\n");
  EXPECT_TRUE(OutputsIn(dir.path(), "world.xml").empty());
}

TEST(WhenThingsGoWrong, AFullDiskKeepsTheEarlierFiles) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", IslandsSave(Island(0, 0) + Island(400, 400)));
  WriteFileBytes(dir / "world.bmp", "earlier map");
  WriteFileBytes(dir / "world.html", "earlier page");
  // Files may grow to 64 blocks; writing past that fails instead of killing the tool.
  const RunResult run = RunTool({"world.xml"}, dir.path(), "trap '' XFSZ; ulimit -f 64");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Picture Error: Could not write proper amount of data.\n");
  EXPECT_EQ(ReadFileBytes(dir / "world.bmp"), "earlier map");
  EXPECT_EQ(OutputsIn(dir.path(), "world.xml"),
            (std::vector<std::string>{"world.bmp", "world.html"}));
}

}  // namespace
}  // namespace tlmaper::testing
