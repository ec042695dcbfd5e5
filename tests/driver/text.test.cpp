#include "driver/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_binary.h"

namespace tlmaper {
namespace {

using namespace std::string_literals;

TEST(ReplaceAll, ReplacesLeftToRightAndResumesBehindInsertedText) {
  struct Case {
    std::string text, pattern, replacement, expected;
  };
  const Case cases[] = {
      {"hello", "xyz", "q", "hello"},
      {"", "a", "b", ""},
      {"aaa", "aa", "b", "ba"},
      {"aabb", "ab", "", "ab"},
      {"x", "x", "xx", "xx"},
      {"[A][A]", "[A]", "1", "11"},
      {"TEXT text", "text", "T", "TEXT T"},
      {"a\0b\0c"s, "\0"s, "--", "a--b--c"},
      {"abc", "", "z", "abc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.expected)
        << c.text << " / " << c.pattern;
  }
}

TEST(SplitString, KeepsEveryPieceAndAppends) {
  struct Case {
    std::string text;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"12,34", {"12", "34"}},
      {"12,,34", {"12", "", "34"}},
      {"12,", {"12", ""}},
      {",", {"", ""}},
      {"", {""}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> pieces;
    SplitString(c.text, ",", pieces);
    EXPECT_EQ(pieces, c.expected) << c.text;
  }
  std::vector<std::string> pieces{"kept"};
  SplitString("a,b", ",", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"kept", "a", "b"}));
  pieces.clear();
  SplitString("a,b", "", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"a,b"}));
}

TEST(ParseInt, ReadsLikeAnInputStream) {
  struct Case {
    std::string text;
    int32_t expected;  // 99 means "left unchanged"
  };
  const Case cases[] = {
      {"42", 42},
      {"   42", 42},
      {"42abc", 42},
      {"-7", -7},
      {"+7", 7},
      {"007", 7},
      {"0x1A", 0},
      {"\t\n\v\f\r 5", 5},
      {"", 99},
      {"abc", 99},
      {"-", 99},
      {"+-3", 99},
      {"- 3", 99},
      {"2147483647", 2147483647},
      {"2147483648", 99},
      {"-2147483648", -2147483647 - 1},
      {"-2147483649", 99},
      {"99999999999999999999999", 99},
      {"0000000000000000000000012", 12},
  };
  for (const Case& c : cases) {
    int32_t target = 99;
    ParseInt(c.text, target);
    EXPECT_EQ(target, c.expected) << '"' << c.text << '"';
  }
}

TEST(FormatInt, WritesPlainDecimal) {
  EXPECT_EQ(FormatInt(0), "0");
  EXPECT_EQ(FormatInt(-1), "-1");
  EXPECT_EQ(FormatInt(1234567), "1234567");
  EXPECT_EQ(FormatInt(-2147483647 - 1), "-2147483648");
  std::string out = "old text";
  FormatInt(12, out);
  EXPECT_EQ(out, "12");
}

TEST(FileStem, CutsTheFileNameOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"savefile.xml", "savefile"},
      {"world.backup.xml", "world"},
      {"saves/world.xml", "saves/world"},
      {"old.saves/world.xml", "old.saves/world"},
      {"world", "world"},
      {"./world.xml", "./world"},
      {"../w.xml", "../w"},
      {".hidden.xml", ".hidden"},
      {"", ""},
      {"a\\b.c.xml", "a\\b"},
  };
  for (const auto& [path, stem] : cases) EXPECT_EQ(FileStem(path), stem) << path;
}

TEST(ReadWholeFile, ReturnsEveryByteOrNothing) {
  testing::ScratchDirectory dir;
  const std::string bytes = "line\r\nwith\0nul\r\n"s;
  testing::WriteFileBytes(dir / "crlf", bytes);
  testing::WriteFileBytes(dir / "empty", "");
  EXPECT_EQ(ReadWholeFile((dir / "crlf").string()), bytes);
  EXPECT_EQ(ReadWholeFile((dir / "empty").string()), "");
  EXPECT_EQ(ReadWholeFile((dir / "missing").string()), "");
  EXPECT_EQ(ReadWholeFile(dir.path().string()), "");  // a directory reads as nothing
}

}  // namespace
}  // namespace tlmaper
