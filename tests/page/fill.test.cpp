// Escaping, the size value and the filling of the world placeholders.
#include <gtest/gtest.h>

#include <string>

#include "page/page.h"

namespace tlmaper {
namespace {

TEST(EscapePageText, ReplacesEveryUnsafeByteAndKeepsTheRest) {
  struct Case {
    std::string text, escaped;
  };
  const Case cases[] = {
      {"&<>\"'\\[]`", "&amp;&lt;&gt;&quot;&#39;&#92;&#91;&#93;&#96;"},
      {"a\nb\r\tc", "a&#10;b&#13;&#9;c"},
      {std::string("\x01\x1f\x7f\x20", 4), "&#1;&#31;&#127; "},
      {"Ærø ✓ ~{}()=;:/%#", "Ærø ✓ ~{}()=;:/%#"},
      {"<img src=x onerror=window.pwned=1>", "&lt;img src=x onerror=window.pwned=1&gt;"},
      {"[SHIPDIFFICULTYLAYER]", "&#91;SHIPDIFFICULTYLAYER&#93;"},
      {"&amp;", "&amp;amp;"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapePageText(c.text), c.escaped) << c.text;
}

TEST(MapExtent, IsTheLargerSumOfMinimumAndMaximum) {
  struct Case {
    MapBounds bounds;
    int32_t extent;
  };
  const Case cases[] = {
      {{10, 100, 20, 50}, 110}, {{10, 10, 20, 20}, 40},
      {{5, 25, 10, 20}, 30},    {{-50, -10, -30, -20}, -50},
      {MapBounds{}, -1},        {{2147483647, 2147483647, -5, -5}, -2},  // the X sum wraps
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MapExtent(c.bounds), c.extent)
        << c.bounds.minX << ".." << c.bounds.maxX << ", " << c.bounds.minY << ".." << c.bounds.maxY;
  }
}

TEST(FillPlaceholder, FillsEveryExactOccurrenceOnce) {
  std::string page = "[A] [a] A [A][A]";
  FillPlaceholder(page, "[A]", "<[A][B]>");
  EXPECT_EQ(page, "<[A][B]> [a] A <[A][B]><[A][B]>");
  FillPlaceholder(page, "[B]", "b");
  EXPECT_EQ(page, "<[A]b> [a] A <[A]b><[A]b>");
  FillPlaceholder(page, "[MISSING]", "x");
  EXPECT_EQ(page, "<[A]b> [a] A <[A]b><[A]b>");
}

TEST(FillWorldPlaceholders, FillsTheFiveValuesWithSaveTextEscaped) {
  std::string page =
      "<title>[WORLDNAME]</title><h1>[WORLDNAME]</h1><div data-image=\"[MAPFILENAME]\" "
      "data-extent=\"[SIZE]\"></div>[PLAYERX],[PLAYERY] [worldname] WORLDNAME [ISLANDNAMELAYER]";
  const PlayerRecord player{-7, 92, "Sea of \"[SIZE]\" & [PLAYERX]'s\n<b>"};
  FillWorldPlaceholders(page, player, MapBounds{10, 100, 20, 50}, "saves/it's [x].bmp");
  const std::string name =
      "Sea of &quot;&#91;SIZE&#93;&quot; &amp; &#91;PLAYERX&#93;&#39;s&#10;&lt;b&gt;";
  EXPECT_EQ(page, "<title>" + name + "</title><h1>" + name +
                      "</h1><div data-image=\"saves/it&#39;s &#91;x&#93;.bmp\" "
                      "data-extent=\"110\"></div>-7,92 [worldname] WORLDNAME [ISLANDNAMELAYER]");
}

TEST(FillWorldPlaceholders, DefaultPlayerAndNoIslands) {
  std::string page = "[[WORLDNAME]] [SIZE] [PLAYERX] [PLAYERY]";
  FillWorldPlaceholders(page, PlayerRecord{}, MapBounds{}, "w.bmp");
  EXPECT_EQ(page, "[] -1 0 0");
}

}  // namespace
}  // namespace tlmaper
