// The web page: the template's ten placeholders filled by plain text replacement, in a
// fixed order, over the whole page text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "save/world.h"

namespace tlmaper {

// "template.html" from the working directory; the built-in template when that file
// does not exist. An existing file is used as it stands, even when empty; one that
// cannot be read is reported on standard error and the built-in template used.
std::string LoadPageTemplate();

// Save-file text made safe for any place in the page (HTML text, attribute or script
// string): markup, quote, backslash, bracket and control bytes become character
// references; every other byte, UTF-8 included, is kept.
std::string EscapePageText(std::string_view text);

// The larger of minX + maxX and minY + maxY, with wrapping 32-bit sums.
int32_t MapExtent(const MapBounds& bounds);

// Replaces every occurrence of `placeholder` in the page by `value`.
void FillPlaceholder(std::string& page, std::string_view placeholder, std::string_view value);

// Fills [WORLDNAME], [MAPFILENAME], [SIZE], [PLAYERX] and [PLAYERY], in this order.
void FillWorldPlaceholders(std::string& page, const PlayerRecord& player, const MapBounds& bounds,
                           const std::string& imagePath);

// Writes the page file. On failure prints "Error writing page file <path>" on standard
// error and returns false; an earlier page file is then left untouched.
bool WritePage(const std::string& page, const std::string& pagePath);

}  // namespace tlmaper
