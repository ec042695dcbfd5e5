// The web page: the template's eleven placeholders filled by plain text replacement, in
// a fixed order, over the whole page text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/output_file.h"
#include "save/world.h"

namespace tlmaper {

struct NoteSet;

// One piece of the page text. Open parts are searched by every later fill. A sealed
// part is an inserted value in which, and across whose edges, no placeholder can ever
// match; later fills pass over it, so a value is neither searched nor copied. A part's
// text lies in the string it shares, or in static storage (the built-in template), so
// that cutting the template around a value copies none of it.
struct PagePart {
  std::shared_ptr<const std::string> owner;  // holds `text`; empty for static text
  std::string_view text;
  bool isSealed = false;
};

// The page text while its placeholders are filled: its parts in order.
struct PageTemplate {
  std::vector<PagePart> parts;
};

// Every placeholder the page knows. A value may be sealed only when none of them can
// match inside it or across its edges.
inline constexpr std::string_view PagePlaceholders[] = {
    "[WORLDNAME]",
    "[MAPFILENAME]",
    "[SIZE]",
    "[PLAYERX]",
    "[PLAYERY]",
    "[ISLANDDIFFICULTYLAYER]",
    "[ISLANDNAMELAYER]",
    "[TOWNLAYER]",
    "[VISITEDLAYER]",
    "[SHIPDIFFICULTYLAYER]",
    "[NOTES]",
};

PageTemplate MakePageTemplate(std::string text);

// The whole page text, the parts joined.
std::string PageText(const PageTemplate& page);

// Why the built-in template stands in for a "template.html" that exists.
enum class TemplateFallback {
  None,        // no fallback, or no "template.html" at all
  Unreadable,  // the file cannot be read
  IsThePage,   // the file is the page this run writes (a save named template.xml)
};

// "template.html" from the working directory; the built-in template when that file
// does not exist. An existing file is used as it stands, even when empty; for one that
// cannot be read, or that is the page at `pagePath` (which would make the page a copy
// of the last run's), the built-in template is used and `fallback` says why. Prints
// nothing.
PageTemplate LoadPageTemplate(const std::string& pagePath, TemplateFallback& fallback);

// The warning for a fallback other than None, on standard error.
void PrintTemplateFallbackWarning(TemplateFallback fallback);

// Save-file text made safe for any place in the page (HTML text, attribute or script
// string): markup, quote, backslash, bracket and control bytes become character
// references; every other byte, UTF-8 included, is kept.
std::string EscapePageText(std::string_view text);
void AppendEscapedPageText(std::string& out, std::string_view text);

// The larger of minX + maxX and minY + maxY, with wrapping 32-bit sums.
int32_t MapExtent(const MapBounds& bounds);

// Replaces every occurrence of `placeholder` in the page by `value`, left to right,
// exactly as one text replacement over the whole page text would.
void FillPlaceholder(PageTemplate& page, std::string_view placeholder, std::string value);

// Fills [WORLDNAME], [MAPFILENAME], [SIZE], [PLAYERX] and [PLAYERY], in this order;
// [MAPFILENAME] with the file name of `imagePath` alone, without its folders.
void FillWorldPlaceholders(PageTemplate& page, const PlayerRecord& player, const MapBounds& bounds,
                           const std::string& imagePath);

// Fills [NOTES] with `notes` as JSON that can stand in the page's script block, or with
// nothing when `notes` is null (no notes file, or one that cannot be read). To be filled
// last, so that no later fill searches the players' texts.
void FillNotesPlaceholder(PageTemplate& page, const NoteSet* notes);

// Writing the page file, in two steps, so that the bytes can be written beside other
// work while the file is put in place, or the failure reported, at its place in the
// run. The first writes the page into `file`, silently; the second, given its result,
// renames the file over `pagePath`, or prints "Error writing page file <path>" on
// standard error and removes it (an earlier page file is then left untouched).
bool StartPageFile(const PageTemplate& page, const std::string& pagePath, PendingFile& file);
bool FinishPageFile(bool started, PendingFile& file, const std::string& pagePath);

}  // namespace tlmaper
