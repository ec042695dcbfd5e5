// Escaping, the size value and the filling of the world placeholders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
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
  PageTemplate page = MakePageTemplate("[A] [a] A [A][A]");
  FillPlaceholder(page, "[A]", "<[A][B]>");
  EXPECT_EQ(PageText(page), "<[A][B]> [a] A <[A][B]><[A][B]>");
  FillPlaceholder(page, "[B]", "b");
  EXPECT_EQ(PageText(page), "<[A]b> [a] A <[A]b><[A]b>");
  FillPlaceholder(page, "[MISSING]", "x");
  EXPECT_EQ(PageText(page), "<[A]b> [a] A <[A]b><[A]b>");
}

// The fills keep large values apart from the text they search; the page must still
// come out exactly as a chain of plain replacements over the whole text, also where a
// fill makes or breaks a later placeholder across the edges of a value.
TEST(FillPlaceholder, ChainsLikePlainReplacementOverTheWholeText) {
  const std::string_view order[] = {"[ISLANDDIFFICULTYLAYER]", "[ISLANDNAMELAYER]", "[TOWNLAYER]",
                                    "[VISITEDLAYER]", "[SHIPDIFFICULTYLAYER]"};
  struct Case {
    std::string page;
    std::vector<std::string> values;  // one per placeholder, in fill order
  };
  // Layers of many markers: large enough to be kept apart from the page text.
  std::string marker = "L.marker(map.unproject([1,2],map.getZoom()))";
  while (marker.size() < 5000) marker += ",\nL.marker(map.unproject([1,2],map.getZoom()))";
  const Case cases[] = {
      {"[TOWN[ISLANDDIFFICULTYLAYER]LAYER]", {"", "n", "t", "v", "s"}},
      {"[TOWN[ISLANDDIFFICULTYLAYER]LAYER]", {marker, "n", "t", "v", "s"}},
      {"[ISLANDNAMELAYER][TOWNLAYER]", {"x", "[TOWN", "t", "v", "s"}},
      {"[ISLANDNAMELAYER]LAYER][ISLANDDIFFICULTYLAYER]", {marker, "[TOWN", marker, "v", "s"}},
      {"a[ISLANDDIFFICULTYLAYER]b[ISLANDDIFFICULTYLAYER]c", {"[SHIP", "n", "t", "v", "S"}},
      {"[SHIP[ISLANDNAMELAYER]", {"d", "DIFFICULTYLAYER]", "t", "v", marker}},
      {"[VISITED[TOWNLAYER]", {"d", "n", "LAYER]", "V", "s"}},
      {"[[ISLANDNAMELAYER]]", {"d", "VISITEDLAYER", "t", marker, "s"}},
      {"[ISLANDDIFFICULTYLAYER][ISLANDNAMELAYER]", {marker + ",\n" + marker, "]", "t", "v", "s"}},
  };
  for (const Case& c : cases) {
    PageTemplate page = MakePageTemplate(c.page);
    std::string plain = c.page;
    for (size_t i = 0; i < std::size(order); ++i) {
      FillPlaceholder(page, order[i], c.values[i]);
      plain = ReplaceAll(plain, order[i], c.values[i]);
      EXPECT_EQ(PageText(page), plain) << c.page << " after " << order[i];
    }
  }
}

TEST(FillWorldPlaceholders, FillsTheFiveValuesWithSaveTextEscaped) {
  PageTemplate page = MakePageTemplate(
      "<title>[WORLDNAME]</title><h1>[WORLDNAME]</h1><div data-image=\"[MAPFILENAME]\" "
      "data-extent=\"[SIZE]\"></div>[PLAYERX],[PLAYERY] [worldname] WORLDNAME [ISLANDNAMELAYER]");
  const PlayerRecord player{-7, 92, "Sea of \"[SIZE]\" & [PLAYERX]'s\n<b>"};
  FillWorldPlaceholders(page, player, MapBounds{10, 100, 20, 50}, "saves/it's [x].bmp");
  const std::string name =
      "Sea of &quot;&#91;SIZE&#93;&quot; &amp; &#91;PLAYERX&#93;&#39;s&#10;&lt;b&gt;";
  EXPECT_EQ(PageText(page),
            "<title>" + name + "</title><h1>" + name +
                "</h1><div data-image=\"it&#39;s &#91;x&#93;.bmp\" "
                "data-extent=\"110\"></div>-7,92 [worldname] WORLDNAME [ISLANDNAMELAYER]");
}

TEST(FillWorldPlaceholders, DefaultPlayerAndNoIslands) {
  PageTemplate page = MakePageTemplate("[[WORLDNAME]] [SIZE] [PLAYERX] [PLAYERY]");
  FillWorldPlaceholders(page, PlayerRecord{}, MapBounds{}, "w.bmp");
  EXPECT_EQ(PageText(page), "[] -1 0 0");
}

}  // namespace
}  // namespace tlmaper
