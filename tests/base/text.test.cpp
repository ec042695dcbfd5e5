#include "base/text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/run_binary.h"
#include "support/stream_numbers.h"

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

// ParseInt and FormatInt are fast hand-written versions of stream extraction and
// insertion; they must agree with the streams on every input.
TEST(ParseInt, AgreesWithStreamExtraction) {
  std::vector<std::string> texts = {"",
                                    " ",
                                    "+",
                                    "-",
                                    "0",
                                    "-0",
                                    "+0",
                                    "00",
                                    "2147483647",
                                    "2147483648",
                                    "-2147483648",
                                    "-2147483649",
                                    "4294967296",
                                    "9223372036854775808",
                                    "\v\f12",
                                    "12 34",
                                    "1e5",
                                    "0x10",
                                    "--1",
                                    "+-1",
                                    "-+1",
                                    " -  1",
                                    std::string("\0"
                                                "5",
                                                2),
                                    "٣"};
  std::mt19937 random(20261210);
  const std::string alphabet = "0123456789+- \t\nax.\xff";
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    const size_t length = random() % 14;
    for (size_t k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    int32_t fast = 12345, streamed = 12345;
    const bool fastRead = ParseInt(text, fast);
    EXPECT_EQ(fastRead, testing::StreamParseInt(text, streamed)) << '"' << text << '"';
    EXPECT_EQ(fast, streamed) << '"' << text << '"';
  }
}

TEST(FormatInt, AgreesWithStreamInsertion) {
  std::vector<int32_t> values = {0, 1, -1, 9, 10, -10, 99, 100, 2147483647, -2147483647 - 1};
  std::mt19937 random(7);
  for (int i = 0; i < 200000; ++i) {
    values.push_back(static_cast<int32_t>(random()) >> (random() % 32));
  }
  for (const int32_t value : values) {
    EXPECT_EQ(FormatInt(value), testing::StreamFormatInt(value));
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
