// Small text and file functions shared by the whole tool. Texts are byte strings of
// explicit length: any byte may occur, NUL included, and nothing is decoded or trimmed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tlmaper {

// Every occurrence of `pattern`, left to right, replaced by `replacement`. The search
// resumes behind each inserted text, so inserted bytes are never searched again. An
// empty pattern leaves the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

// Appends the pieces of `text` between occurrences of `delimiter` to `pieces`: k
// delimiters give k + 1 pieces, empty ones kept. An empty delimiter gives one piece.
void SplitString(std::string_view text, std::string_view delimiter,
                 std::vector<std::string>& pieces);

// Reads a decimal integer the way a default input stream does: leading white space,
// an optional sign, decimal digits up to the first other byte. Without a digit or out
// of the 32-bit range, `target` is left as it was and false is returned.
bool ParseInt(std::string_view text, int32_t& target);

// Replaces `out` by the plain decimal form of `value`.
void FormatInt(int32_t value, std::string& out);
std::string FormatInt(int32_t value);

// The path without its extension: the directory part stays whole, leading dots of the
// file name are kept, and the name is cut at the first dot after them.
std::string FileStem(std::string_view path);

// The complete contents of a file, or the empty text when it cannot be opened, cannot
// be read or is empty.
std::string ReadWholeFile(const std::string& path);

}  // namespace tlmaper
