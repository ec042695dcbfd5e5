// The page file as the built tool writes it: the template it starts from, the bytes it
// keeps, the player's position and what happens when the page cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

#include "page/page.h"
#include "support/run_binary.h"

namespace tlmaper::testing {
namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string OneIsland = SaveXml(
    "<PlayerData X=\"3\" Y=\"4\" WorldName=\"Reach\"/>"
    "<Islands><IslandData Name=\"Port\" X=\"12\" Y=\"30\" Difficulty=\"3\"/></Islands>");

std::string ShippedTemplate() {
  return ReadFileBytes(TLMAPER_BUILT_TEMPLATE);
}

// True when `page` was made from the built-in template: it starts with the template's
// text before its first placeholder and holds the world name filled in.
bool MadeFromShippedTemplate(const std::string& page) {
  const std::string shipped = ShippedTemplate();
  size_t firstPlaceholder = shipped.size();
  for (const std::string_view placeholder : PagePlaceholders) {
    firstPlaceholder = std::min(firstPlaceholder, shipped.find(placeholder));
  }
  return page.starts_with(shipped.substr(0, firstPlaceholder)) &&
         page.find(">Reach<") != std::string::npos;
}

// Only the files the test expects: a failed write leaves no temporary file behind.
size_t CountFiles(const fs::path& directory) {
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    files += entry.is_regular_file();
  }
  return files;
}

TEST(PageFile, WithoutATemplateFileTheShippedTemplateIsUsed) {
  ScratchDirectory builtIn, copied;
  for (const ScratchDirectory* dir : {&builtIn, &copied}) {
    WriteFileBytes(*dir / "world.xml", OneIsland);
  }
  WriteFileBytes(copied / "template.html", ShippedTemplate());
  ASSERT_EQ(RunTool({"world.xml"}, builtIn.path()).status, 0);
  ASSERT_EQ(RunTool({"world.xml"}, copied.path()).status, 0);
  const std::string page = ReadFileBytes(builtIn / "world.html");
  EXPECT_EQ(page, ReadFileBytes(copied / "world.html"));
  EXPECT_TRUE(MadeFromShippedTemplate(page));
  EXPECT_NE(page.find("html:'Port'"), std::string::npos);
  for (const std::string_view placeholder : PagePlaceholders) {
    EXPECT_EQ(page.find(placeholder), std::string::npos) << placeholder;
    EXPECT_NE(ShippedTemplate().find(placeholder), std::string::npos) << placeholder;
  }
}

TEST(PageFile, TemplateBytesOutsideThePlaceholdersAreKept) {
  struct Case {
    std::string templateText, page;
  };
  const Case cases[] = {
      {"", ""},
      {"\xEF\xBB\xBF<p>[MAPFILENAME]</p>\r\n<i>[SIZE]</i>\r\n[size] [PLAYERX\0]"s,
       "\xEF\xBB\xBF<p>world.bmp</p>\r\n<i>60</i>\r\n[size] [PLAYERX\0]"s},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    fs::create_directory(dir / "saves");
    WriteFileBytes(dir / "saves" / "world.xml", OneIsland);
    WriteFileBytes(dir / "template.html", c.templateText);
    const RunResult run = RunTool({"saves/world.xml"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFileBytes(dir / "saves" / "world.html"), c.page);
  }
}

TEST(PageFile, UnreadableTemplateIsReportedAndTheShippedOneUsed) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", OneIsland);
  fs::create_directory(dir / "template.html");
  const RunResult run = RunTool({"world.xml"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "Warning: cannot read template.html, using the built-in template\n");
  EXPECT_TRUE(MadeFromShippedTemplate(ReadFileBytes(dir / "world.html")));
}

TEST(PageFile, ATemplateThatIsThePageBeingWrittenIsNotUsed) {
  const std::string stale = "the last run's page [WORLDNAME]";
  const std::string warning =
      "Warning: template.html is the page being written, using the built-in template\n";
  struct Case {
    std::string what, arg, page, err;
    bool hardLink;
  };
  const Case cases[] = {
      {"a save named template.xml", "template.xml", "template.html", warning, false},
      {"the page another name for the template", "world.xml", "world.html", warning, true},
      {"template.xml in another folder", "saves/template.xml", "saves/template.html", "", false},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    fs::create_directory(dir / "saves");
    WriteFileBytes(dir / c.arg, OneIsland);
    WriteFileBytes(dir / "template.html", stale);
    if (c.hardLink) fs::create_hard_link(dir / "template.html", dir / c.page);
    const RunResult run = RunTool({c.arg}, dir.path());
    EXPECT_EQ(run.status, 0) << c.what;
    EXPECT_EQ(run.err, c.err) << c.what;
    const std::string page = ReadFileBytes(dir / c.page);
    if (c.err.empty()) {
      EXPECT_EQ(page, "the last run's page Reach") << c.what;
    } else {
      EXPECT_TRUE(MadeFromShippedTemplate(page)) << c.what;
    }
  }
  // Printed in the order of the run: the map's warning, then the page's.
  ScratchDirectory dir;
  WriteFileBytes(dir / "template.xml",
                 SaveXml("<Islands><IslandData X=\"1\" Y=\"900\"/></Islands>"));
  WriteFileBytes(dir / "template.html", stale);
  const RunResult run = RunTool({"template.xml"}, dir.path());
  EXPECT_EQ(run.err, "Warning: 1 island lies outside the map\n" + warning);
}

TEST(PageFile, APlayerPositionMissingOrOutOfRangeIsZero) {
  struct Case {
    std::string player, page;
  };
  const Case cases[] = {
      {"<PlayerData X=\"3\" Y=\"-4\"/>", "3,-4"},
      {"", "0,0"},
      {"<PlayerData Y=\"7\"/>", "0,7"},
      {"<PlayerData X=\"99999999999\" Y=\"-2147483649\"/>", "0,0"},
      {"<PlayerData X=\"east\" Y=\"2147483647\"/>", "0,2147483647"},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    WriteFileBytes(dir / "world.xml", SaveXml(c.player));
    WriteFileBytes(dir / "template.html", "[PLAYERX],[PLAYERY]");
    ASSERT_EQ(RunTool({"world.xml"}, dir.path()).status, 0) << c.player;
    EXPECT_EQ(ReadFileBytes(dir / "world.html"), c.page) << c.player;
  }
}

TEST(PageFile, AnEarlierPageIsReplacedWhole) {
  ScratchDirectory dir;
  WriteFileBytes(dir / "world.xml", OneIsland);
  WriteFileBytes(dir / "world.html", std::string(10000, 'x'));
  WriteFileBytes(dir / "template.html", "[PLAYERX]");
  ASSERT_EQ(RunTool({"world.xml"}, dir.path()).status, 0);
  EXPECT_EQ(ReadFileBytes(dir / "world.html"), "3");
}

TEST(PageFile, PageThatCannotBeWrittenIsReportedAndTheOldOneKept) {
  // The page is far larger than the bitmap, so a file size limit between the two lets
  // the bitmap through and cuts the page short.
  const std::string bigTemplate(400000, 'p');
  struct Case {
    std::string name, shellPrefix;
    bool pageIsDirectory;
  };
  const Case cases[] = {
      {"path is a directory", "", true},
      {"short write", "trap '' XFSZ; ulimit -f 100", false},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    WriteFileBytes(dir / "world.xml", OneIsland);
    WriteFileBytes(dir / "template.html", bigTemplate);
    if (c.pageIsDirectory) {
      fs::create_directory(dir / "world.html");
    } else {
      WriteFileBytes(dir / "world.html", "old page");
    }
    const RunResult run = RunTool({"world.xml"}, dir.path(), c.shellPrefix);
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_EQ(run.err, "Error writing page file world.html\n") << c.name;
    EXPECT_TRUE(fs::exists(dir / "world.bmp")) << c.name;
    if (!c.pageIsDirectory) {
      EXPECT_EQ(ReadFileBytes(dir / "world.html"), "old page") << c.name;
    }
    EXPECT_EQ(CountFiles(dir.path()), c.pageIsDirectory ? 3u : 4u) << c.name;
  }
}

}  // namespace
}  // namespace tlmaper::testing
