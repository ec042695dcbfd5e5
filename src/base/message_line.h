// The lines the tool prints for the player, on standard output or error. A live run puts
// the time of day before every line of a map made after the first, whichever part of the
// tool prints it, so that each message says when it came.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tlmaper {

// Put before every line printed from now on (empty: nothing). Set and printed from one
// thread at a time.
void SetMessagePrefix(std::string prefix);

// Writes the prefix, `line` and a newline to `stream`, and flushes it.
void PrintMessageLine(std::FILE* stream, std::string_view line);

}  // namespace tlmaper
