// What only the Windows build meets, run through wine: Windows path forms, names outside
// the local code page, names that differ only in case, and earlier outputs replaced
// by a later run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {
namespace fs = std::filesystem;

const std::string OneIsland =
    SaveXml("<Islands><IslandData Name=\"Port\" X=\"3\" Y=\"4\" Difficulty=\"3\"/></Islands>");

// The path as Windows programs see a Linux path under wine: on drive Z:, with
// backslashes.
std::string WindowsPath(const fs::path& path) {
  std::string text = "Z:" + path.string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), dir).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Windows, EveryPathFormPutsTheOutputsBesideTheSave) {
  const std::string longStem(250, 'n');
  struct Case {
    std::string what, folder, stem;
    bool fullPath;  // given as Z:\...; else relative to the working directory
  };
  const Case cases[] = {
      {"backslash path", "saves", "world", false},
      {"drive-letter full path", "saves", "world", true},
      {"non-ASCII folder and name", "\xE4\xB8\x96\xE7\x95\x8C", "\xC3\x86r\xC3\xB8", false},
      {"non-ASCII full path", "\xE4\xB8\x96\xE7\x95\x8C", "\xC3\x86r\xC3\xB8", true},
      {"250-byte name, full path past 260 characters", "saves", longStem, true},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir, elsewhere;
    fs::create_directory(dir / c.folder);
    WriteFileBytes(dir / c.folder / (c.stem + ".xml"), OneIsland);
    const std::string arg = c.fullPath ? WindowsPath(dir / c.folder / (c.stem + ".xml"))
                                       : c.folder + "\\" + c.stem + ".xml";
    const RunResult run = RunTool({arg}, c.fullPath ? elsewhere.path() : dir.path());
    EXPECT_EQ(run.status, 0) << c.what;
    EXPECT_EQ(run.out + run.err, "") << c.what;
    const std::string saveFolder = c.folder + "/" + c.stem;
    EXPECT_EQ(
        FilesIn(dir.path()),
        (std::vector<std::string>{saveFolder + ".bmp", saveFolder + ".html", saveFolder + ".xml"}))
        << c.what;
    EXPECT_TRUE(FilesIn(elsewhere.path()).empty()) << c.what;
    // The page names its map in UTF-8, whatever the code page, and by file name alone.
    const std::string page = ReadFileBytes(dir / c.folder / (c.stem + ".html"));
    EXPECT_NE(page.find("data-image=\"" + c.stem + ".bmp\""), std::string::npos) << c.what;
  }
}

TEST(Windows, ASaveNamedLikeItsOutputIsRefusedWhateverTheCase) {
  struct Case {
    std::string save, output;
  };
  for (const Case& c : {Case{"WORLD.BMP", "WORLD.bmp"}, Case{"World.Html", "World.html"}}) {
    ScratchDirectory dir;
    WriteFileBytes(dir / c.save, OneIsland);
    const RunResult run = RunTool({c.save}, dir.path());
    EXPECT_EQ(run.status, 1) << c.save;
    EXPECT_EQ(run.err, "Error: output file " + c.output + " would overwrite the save file\n");
    EXPECT_EQ(ReadFileBytes(dir / c.save), OneIsland) << c.save;
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{c.save});
  }
}

TEST(Windows, ALaterRunReplacesTheOutputsOnlyWhenItsOwnAreComplete) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", OneIsland);
  ASSERT_EQ(RunTool({"world.xml"}, dir.path()).status, 0);
  const std::string firstMap = ReadFileBytes(dir / "world.bmp");
  const std::string firstPage = ReadFileBytes(dir / "world.html");

  // A larger world whose map cannot be written in full: the first run's files stay.
  WriteFileBytes(dir / "world.xml",
                 SaveXml("<Islands><IslandData X=\"0\" Y=\"0\"/><IslandData X=\"300\" "
                         "Y=\"300\"/></Islands>"));
  const RunResult cut = RunTool({"world.xml"}, dir.path(), "trap '' XFSZ; ulimit -f 100");
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(ReadFileBytes(dir / "world.bmp"), firstMap);
  EXPECT_EQ(FilesIn(dir.path()),
            (std::vector<std::string>{"world.bmp", "world.html", "world.xml"}));

  // The same world without the limit: both files are replaced, nothing else is left.
  const RunResult whole = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(whole.status, 0) << whole.out << whole.err;
  EXPECT_EQ(ReadFileBytes(dir / "world.bmp").size(), 54u + 664 * 664 * 3);
  EXPECT_NE(ReadFileBytes(dir / "world.html"), firstPage);
  EXPECT_EQ(FilesIn(dir.path()),
            (std::vector<std::string>{"world.bmp", "world.html", "world.xml"}));
}

TEST(Windows, TheExampleMapsByteForByteAsOnLinux) {
  ScratchDirectory windows, linux;
  for (const ScratchDirectory* dir : {&windows, &linux}) {
    fs::copy_file(ExampleSave(), *dir / "saltmere.xml");
  }
  ASSERT_EQ(RunTool({"saltmere.xml"}, windows.path()).status, 0);
  const std::string linuxRun =
      "cd '" + linux.path().string() + "' && '" TLMAPER_LINUX_BINARY "' saltmere.xml";
  ASSERT_EQ(std::system(linuxRun.c_str()), 0);
  for (const char* output : {"saltmere.bmp", "saltmere.html"}) {
    EXPECT_EQ(ReadFileBytes(windows / output), ReadFileBytes(linux / output)) << output;
  }
}

// Whether any process has the file open (wine's server opens files for the programs it
// runs).
bool OpenInSomeProcess(const fs::path& path) {
  const std::string look =
      "ls -l /proc/[0-9]*/fd 2>/dev/null | grep -qF -- '-> " + path.string() + "'";
  return std::system(look.c_str()) == 0;
}

TEST(Windows, AGameCanRemoveTheSaveWhileTheToolReadsIt) {
  ScratchDirectory dir;
  const fs::path save = fs::canonical(dir.path()) / "world.xml";
  // Millions of elements, so that reading the save takes a moment.
  std::string padding;
  for (int i = 0; i < 4000000; ++i) padding += "<P/>";
  WriteFileBytes(save, SaveXml("<Islands><IslandData X=\"3\" Y=\"4\"/></Islands><Padding>" +
                               padding + "</Padding>"));
  RunResult run;
  std::thread tool([&] { run = RunTool({"world.xml"}, dir.path()); });
  bool held = false;
  for (int wait = 0; wait < 3000 && !held && !fs::exists(dir / "world.bmp"); ++wait) {
    held = OpenInSomeProcess(save);
    if (!held) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // A Windows program removes it, as a game may before saving anew.
  const std::string remove = "WINEPREFIX='" TLMAPER_WINE_PREFIX
                             "' WINEDEBUG=-all wine cmd /c del '" +
                             WindowsPath(save) + "' >/dev/null 2>&1";
  std::system(remove.c_str());
  tool.join();
  EXPECT_TRUE(held) << "the run ended before the save was seen open";
  EXPECT_FALSE(fs::exists(save)) << "the save could not be removed while the tool read it";
  EXPECT_EQ(run.status, 0) << run.err;
}

}  // namespace
}  // namespace tlmaper::testing
